#include "report/ResultsPage.h"

#include "results/ResultGroups.h"
#include "ui/VerdictColour.h"

#include <QApplication>
#include <QBrush>
#include <QClipboard>
#include <QColor>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vexlin {
namespace {

constexpr int kWhatColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kVerdictColumn = 2;
constexpr int kHeadingRole = Qt::UserRole + 1;

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// A tree view asks its delegate for a row's height without saying how wide the column is, so wrapped text
// would get the height of one line and be cut.  This delegate measures each cell at its column's width.
class WrappingDelegate final : public QStyledItemDelegate {
public:
    explicit WrappingDelegate(QTreeWidget* view) : QStyledItemDelegate(view), view_(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyleOptionViewItem measured = option;
        const bool spanned = view_->isFirstColumnSpanned(index.row(), index.parent());
        // The style wraps only within a valid rectangle, so it gets a height too.
        measured.rect =
            QRect(0, 0, spanned ? view_->viewport()->width() : view_->columnWidth(index.column()), 1);
        return QStyledItemDelegate::sizeHint(measured, index);
    }

private:
    QTreeWidget* view_;
};

void addHeading(QTreeWidget& list, const std::string& title) {
    auto* item = new QTreeWidgetItem(&list);
    item->setText(kWhatColumn, fromStd(title));
    item->setData(kWhatColumn, kHeadingRole, true);
    QFont bold = list.font();
    bold.setBold(true);
    item->setFont(kWhatColumn, bold);
    item->setFlags(Qt::ItemIsEnabled); // a heading is not a result: nothing to select
    item->setFirstColumnSpanned(true);
}

void addLine(QTreeWidget& list, const results::ResultLine& line) {
    auto* item = new QTreeWidgetItem(&list);
    item->setText(kWhatColumn, fromStd(line.what));
    item->setText(kValueColumn, fromStd(line.value));
    item->setText(kVerdictColumn, fromStd(results::signedVerdict(line)));
    for (int column = kWhatColumn; column <= kVerdictColumn; ++column) {
        item->setToolTip(column, item->text(column));
    }
    if (const auto colour = verdictColour(line.judgement)) {
        item->setForeground(kVerdictColumn, QBrush(*colour));
    }
}

} // namespace

ResultsPage::ResultsPage(const results::ResultsStore& results, QWidget* parent)
    : QWidget(parent), results_(results) {
    setObjectName("TabSheet3");

    StaticText1 =
        new QLabel("В этом запуске ещё ничего не измерено. Результаты тестов появятся здесь, например после "
                   "полного теста.",
                   this);
    StaticText1->setObjectName("StaticText1");
    StaticText1->setWordWrap(true);
    StaticText1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    ListView1 = new QTreeWidget(this);
    ListView1->setObjectName("ListView1");
    ListView1->setColumnCount(3);
    ListView1->setHeaderLabels({"Проверка", "Значение", "Вывод"});
    ListView1->setRootIsDecorated(false);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setWordWrap(true);
    ListView1->setTextElideMode(Qt::ElideNone);
    ListView1->setUniformRowHeights(false);
    ListView1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListView1->setItemDelegate(new WrappingDelegate(ListView1));
    ListView1->header()->setStretchLastSection(true);
    ListView1->viewport()->installEventFilter(this);

    Button20 = new QPushButton("Сохранить отчёт", this);
    Button20->setObjectName("Button20");
    Button20->setEnabled(false); // until the windows the report copies from are known
    Button21 = new QPushButton("Копировать", this);
    Button21->setObjectName("Button21");
    connect(Button20, &QPushButton::clicked, this, &ResultsPage::Button20Click);
    connect(Button21, &QPushButton::clicked, this, &ResultsPage::Button21Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button21);
    buttons->addWidget(Button20);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(StaticText1);
    layout->addWidget(ListView1, 1);
    layout->addLayout(buttons);

    fill();
}

void ResultsPage::useReport(AppServices& services, report::ReportSources sources) {
    services_ = &services;
    reportSources_ = std::move(sources);
    Button20->setEnabled(true);
}

bool ResultsPage::isHeading(const QTreeWidgetItem& item) {
    return item.data(kWhatColumn, kHeadingRole).toBool();
}

void ResultsPage::refresh() {
    if (shownRevision_ != results_.revision()) {
        fill();
    }
}

void ResultsPage::fill() {
    shownRevision_ = results_.revision();
    ListView1->clear();
    for (const results::ResultGroup& group : results::groupedLines(results_)) {
        addHeading(*ListView1, group.title);
        for (const results::ResultLine* line : group.lines) {
            addLine(*ListView1, *line);
        }
    }
    const bool empty = results_.empty();
    StaticText1->setVisible(empty);
    ListView1->setVisible(!empty);
    Button21->setEnabled(!empty);
    fitColumnsToWidth();
}

// What was measured is short, values and verdicts are the long texts: the first column gets a quarter of
// the width, or its longest word (a word wider than its column would be cut, not wrapped), at most two
// fifths; values and verdicts share the rest 4:5.  The rows are then measured again at the new widths.
void ResultsPage::fitColumnsToWidth() {
    const int width = ListView1->viewport()->width();
    const int margins =
        2 * (ListView1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView1) + 1);
    int longestWord = 0;
    for (int row = 0; row < ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = ListView1->topLevelItem(row);
        if (isHeading(*item)) {
            continue;
        }
        for (const QString& word : item->text(kWhatColumn).split(' ', Qt::SkipEmptyParts)) {
            longestWord = std::max(longestWord, ListView1->fontMetrics().horizontalAdvance(word));
        }
    }
    const int what = std::min(std::max(width / 4, longestWord + margins + 1), width * 2 / 5); // 1: rounding
    ListView1->setColumnWidth(kWhatColumn, what);
    ListView1->setColumnWidth(kValueColumn, (width - what) * 4 / 9);
    ListView1->doItemsLayout();
}

bool ResultsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1->viewport() && event->type() == QEvent::Resize) {
        fitColumnsToWidth();
    }
    return QWidget::eventFilter(watched, event);
}

void ResultsPage::Button20Click() {
    if (services_ != nullptr) {
        report::generateReport(*services_, reportSources_, this);
    }
}

void ResultsPage::Button21Click() {
    QApplication::clipboard()->setText(fromStd(results::resultsAsText(results_)));
}

void ResultsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

} // namespace vexlin
