#include "report/ResultsPage.h"

#include <QBrush>
#include <QColor>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vexlin {
namespace {

constexpr int kWhatColumn = 0;
constexpr int kValueColumn = 1;
constexpr int kVerdictColumn = 2;

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

// Dark enough to read on white: a verdict's colour only backs up its words.
std::optional<QColor> verdictColour(results::Verdict verdict) {
    switch (verdict) {
    case results::Verdict::Good:
        return QColor(0, 128, 0);
    case results::Verdict::Warning:
        return QColor(160, 96, 0);
    case results::Verdict::Bad:
        return QColor(192, 0, 0);
    case results::Verdict::None:
        break;
    }
    return std::nullopt;
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
    ListView1->setUniformRowHeights(true);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    ListView1->setColumnWidth(kWhatColumn, 190);
    ListView1->setColumnWidth(kValueColumn, 260); // values (capacities, battery identity) are the long texts
    ListView1->header()->setStretchLastSection(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(StaticText1);
    layout->addWidget(ListView1, 1);

    fill();
}

void ResultsPage::refresh() {
    if (shownRevision_ != results_.revision()) {
        fill();
    }
}

void ResultsPage::fill() {
    shownRevision_ = results_.revision();
    ListView1->clear();
    for (const results::ResultLine& line : results_.lines()) {
        auto* item = new QTreeWidgetItem(ListView1);
        item->setText(kWhatColumn, fromStd(line.what));
        item->setText(kValueColumn, fromStd(line.value));
        item->setText(kVerdictColumn, fromStd(line.verdict));
        // The columns are narrow for some texts; the whole text is a pointer away.
        for (int column = kWhatColumn; column <= kVerdictColumn; ++column) {
            item->setToolTip(column, item->text(column));
        }
        if (const auto colour = verdictColour(line.judgement)) {
            item->setForeground(kVerdictColumn, QBrush(*colour));
        }
    }
    const bool empty = results_.empty();
    StaticText1->setVisible(empty);
    ListView1->setVisible(!empty);
}

void ResultsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

} // namespace vexlin
