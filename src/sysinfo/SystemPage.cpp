#include "sysinfo/SystemPage.h"

#include "drives/DrivesGroup.h"
#include "sysinfo/ClockMeasurement.h"
#include "sysinfo/CpuText.h"
#include "sysinfo/InfoPicture.h"
#include "sysinfo/Inventory.h"
#include "sysinfo/InventoryText.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSplitter>
#include <QVBoxLayout>

namespace vexlin {
namespace {

QGroupBox* makeGroup(const char* name, const char* caption) {
    auto* group = new QGroupBox(QString::fromUtf8(caption));
    group->setObjectName(name);
    return group;
}

QLabel* makeLabel(QWidget* parent, const char* name, const char* caption) {
    auto* label = new QLabel(QString::fromUtf8(caption), parent);
    label->setObjectName(name);
    return label;
}

// A read-only, single-line, bordered field.
QLabel* makeField(QWidget* parent, const char* name) {
    auto* field = new QLabel(parent);
    field->setObjectName(name);
    field->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    field->setTextInteractionFlags(Qt::TextSelectableByMouse);
    field->setMinimumWidth(60);
    return field;
}

QListWidget* makeList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(name);
    // Two lines at the least: the page must fit the main window's designed 810 x 620; lists scroll.
    list->setMinimumHeight(2 * list->fontMetrics().height() + 6);
    return list;
}

QString fromStd(const std::string& text) {
    return QString::fromStdString(text);
}

void fillList(QListWidget* list, const std::vector<std::string>& lines) {
    list->clear();
    for (const auto& line : lines) {
        list->addItem(fromStd(line));
    }
}

sysinfo::ScreenFacts screenFacts(const QWidget& widget) {
    const QScreen* screen = widget.screen() != nullptr ? widget.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return {};
    }
    // Qt measures in scaled units; the field shows the panel's pixels.
    const qreal ratio = screen->devicePixelRatio();
    return {qRound(screen->geometry().width() * ratio), qRound(screen->geometry().height() * ratio),
            screen->depth(), 1};
}

} // namespace

SystemPage::SystemPage(AppServices& services, QWidget* parent) : QWidget(parent), services_(services) {
    setObjectName("TabSheet1");

    GroupBox3 = makeGroup("GroupBox3", "Информация о процессоре");
    GroupBox4 = makeGroup("GroupBox4", "Информация о компьютере");
    GroupBox2 = makeGroup("GroupBox2", "Информация о системе");
    GroupBox1 = makeGroup("GroupBox1", "Информация о экране и видеокарте");
    buildProcessorGroup();
    buildComputerGroup();
    buildSystemGroup();
    buildDisplayGroup();
    GroupBox5 = new DrivesGroup(services_);

    auto* left = new QSplitter(Qt::Vertical);
    left->setObjectName("SplitterLeft");
    left->addWidget(GroupBox3);
    left->addWidget(GroupBox4);
    // Beside the computer's own inventory: the drives are what a buyer of a used laptop asks about next.
    left->addWidget(GroupBox5);
    left->setStretchFactor(0, 1);
    auto* right = new QSplitter(Qt::Vertical);
    right->setObjectName("SplitterRight");
    right->addWidget(GroupBox2);
    right->addWidget(GroupBox1);
    auto* columns = new QSplitter(Qt::Horizontal);
    columns->setObjectName("SplitterColumns");
    columns->addWidget(left);
    columns->addWidget(right);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(columns);
}

void SystemPage::buildProcessorGroup() {
    img_info = new InfoPicture;
    // Room for the longest text: 24 lines of 13 pixels.  The window's designed height leaves the group a
    // little less than that next to the computer group, so the picture scrolls rather than cut lines off.
    img_info->setMinimumSize(280, 1 + 24 * InfoPicture::kLineStep);
    auto* scroller = new QScrollArea(GroupBox3);
    scroller->setObjectName("ScrollBox1");
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setWidgetResizable(true);
    scroller->setWidget(img_info);
    auto* layout = new QVBoxLayout(GroupBox3);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(scroller);

    ListBox4 = makeList(GroupBox3, "ListBox4");
    ListBox4->setGeometry(0, 0, 81, 49);
    ListBox4->hide();
    StaticText22 = makeField(GroupBox3, "StaticText22");
    StaticText22->setGeometry(8, 16, 127, 16);
    StaticText22->hide();
}

void SystemPage::buildComputerGroup() {
    auto* grid = new QGridLayout(GroupBox4);
    grid->addWidget(makeLabel(GroupBox4, "Label9", "Реальная частота CPU"), 0, 0);
    grid->addWidget(StaticText18 = makeField(GroupBox4, "StaticText18"), 0, 1);
    grid->addWidget(makeLabel(GroupBox4, "Label10", "Оперативная память"), 1, 0);
    grid->addWidget(StaticText19 = makeField(GroupBox4, "StaticText19"), 1, 1);
    ListBox3 = makeList(GroupBox4, "ListBox3");
    ListBox3->setFrameShape(QFrame::Box);
    ListBox3->setMinimumSize(145, 35);
    ListBox3->setMaximumHeight(70);
    ListBox3->addItem(fromStd(std::string(sysinfo::kPartitionHeading)));
    grid->addWidget(ListBox3, 2, 0, 1, 2);
    grid->addWidget(makeLabel(GroupBox4, "Label5", "Установленные приводы"), 3, 0);
    grid->addWidget(StaticText15 = makeField(GroupBox4, "StaticText15"), 3, 1);
    grid->addWidget(makeLabel(GroupBox4, "Label3", "Звуковая карта"), 4, 0);
    grid->addWidget(StaticText13 = makeField(GroupBox4, "StaticText13"), 4, 1);
    grid->addWidget(makeLabel(GroupBox4, "Label4", "COM порты"), 5, 0);
    grid->addWidget(StaticText14 = makeField(GroupBox4, "StaticText14"), 5, 1);
    grid->setColumnStretch(1, 1);
}

void SystemPage::buildSystemGroup() {
    auto* grid = new QGridLayout(GroupBox2);
    grid->addWidget(Label1 = makeLabel(GroupBox2, "Label1", "Microsoft® Windows"), 0, 0, 1, 2);
    auto* versionRow = new QHBoxLayout;
    versionRow->addWidget(StaticText12 = makeField(GroupBox2, "StaticText12"), 1);
    versionRow->addWidget(StaticText25 = makeField(GroupBox2, "StaticText25"), 1);
    grid->addLayout(versionRow, 1, 0, 1, 2);
    grid->addWidget(makeLabel(GroupBox2, "Label2", "Dos"), 2, 0);
    grid->addWidget(StaticText11 = makeField(GroupBox2, "StaticText11"), 2, 1);
    grid->addWidget(makeLabel(GroupBox2, "Label7", "Дата BIOS"), 3, 0);
    grid->addWidget(StaticText23 = makeField(GroupBox2, "StaticText23"), 3, 1);
    grid->addWidget(makeLabel(GroupBox2, "Label18", "Версия BIOS"), 4, 0, Qt::AlignTop);
    Memo1 = new QPlainTextEdit(GroupBox2);
    Memo1->setObjectName("Memo1");
    Memo1->setReadOnly(true);
    Memo1->setEnabled(false);
    Memo1->setBackgroundRole(QPalette::Button);
    Memo1->setMinimumSize(129, 57);
    Memo1->setMaximumHeight(57);
    grid->addWidget(Memo1, 4, 1);
    grid->addWidget(makeLabel(GroupBox2, "Label11", "Имя компьютера"), 5, 0);
    grid->addWidget(StaticText21 = makeField(GroupBox2, "StaticText21"), 5, 1);
    grid->addWidget(makeLabel(GroupBox2, "Label12", "Имя пользователя"), 6, 0);
    grid->addWidget(StaticText20 = makeField(GroupBox2, "StaticText20"), 6, 1);
    Button8 = new QPushButton("Установка и удаление программ", GroupBox2);
    Button8->setObjectName("Button8");
    grid->addWidget(Button8, 7, 0, 1, 2);
    grid->setColumnStretch(1, 1);
}

void SystemPage::buildDisplayGroup() {
    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(makeLabel(GroupBox1, "Label8", "Разрешение матрицы"), 0, 0);
    grid->addWidget(StaticText17 = makeField(GroupBox1, "StaticText17"), 0, 1);
    grid->addWidget(makeLabel(GroupBox1, "Label6", "Цветовая палитра"), 1, 0);
    grid->addWidget(StaticText16 = makeField(GroupBox1, "StaticText16"), 1, 1);
    grid->addWidget(makeLabel(GroupBox1, "Label17", "   Видео адаптер"), 2, 0, 1, 2);
    grid->addWidget(ListBox2 = makeList(GroupBox1, "ListBox2"), 3, 0, 1, 2);
    grid->addWidget(makeLabel(GroupBox1, "Label19", "   Список доступных режимов"), 4, 0, 1, 2);
    grid->addWidget(ListBox1 = makeList(GroupBox1, "ListBox1"), 5, 0, 1, 2);
    Button7 = new QPushButton("Свойства: Экран ----> Параметры", GroupBox1);
    Button7->setObjectName("Button7");
    grid->addWidget(Button7, 6, 0, 1, 2);
    grid->setRowStretch(5, 1);
    grid->setColumnStretch(1, 1);
}

// A page built with only some services (a test of another page) leaves the parts without a source as they
// are.
void SystemPage::FormCreate() {
    if (services_.display) {
        fillList(ListBox1, sysinfo::displayModeLines(*services_.display));
    }
}

void SystemPage::FormShow() {
    if (!services_.partitions || !services_.processor) {
        return;
    }
    fillList(ListBox3, sysinfo::partitionLines(*services_.partitions));

    img_info->clear();
    ListBox4->clear();
    for (const auto& line : sysinfo::cpuLines(sysinfo::readCpuid(*services_.processor))) {
        img_info->writeLine(fromStd(sysinfo::shownPart(line.label)), fromStd(sysinfo::shownPart(line.value)));
        ListBox4->addItem(fromStd(sysinfo::shownPart(line.text())));
    }
}

void SystemPage::FormActivate() {
    if (!services_.system || !services_.display) {
        return;
    }
    const QLocale locale;
    const auto texts = sysinfo::activationTexts(*services_.system, *services_.display, screenFacts(*this),
                                                locale.groupSeparator().toStdString());
    StaticText23->setText(fromStd(texts.biosDate));
    if (texts.biosVersion) {
        QString memo;
        for (const auto& line : *texts.biosVersion) {
            memo += fromStd(line) + '\n';
        }
        Memo1->setPlainText(memo);
    }
    fillList(ListBox2, texts.adapters);
    Label1->setText(fromStd(texts.systemLabel));
    StaticText25->setText(fromStd(texts.build));
    StaticText21->setText(fromStd(texts.computerName));
    StaticText20->setText(fromStd(texts.userName));
    StaticText11->setText(fromStd(texts.dos));
    StaticText12->setText(fromStd(texts.version));
    StaticText13->setText(fromStd(texts.sound));
    StaticText14->setText(fromStd(texts.serialPorts));
    StaticText15->setText(fromStd(texts.opticalDrives));
    StaticText16->setText(fromStd(texts.colourDepth));
    StaticText17->setText(fromStd(texts.resolution));
    StaticText19->setText(fromStd(texts.memory));
}

void SystemPage::Timer2Timer() {
    if (!services_.priority || !services_.processor) {
        return;
    }
    const std::string separator = QLocale().decimalPoint().toStdString();
    const double shown =
        sysinfo::measureClockMhz(*services_.priority, *services_.processor, services_.lane.get());
    StaticText18->setText(fromStd(sysinfo::clockText(shown, separator)));
    const double kept =
        sysinfo::measureClockMhz(*services_.priority, *services_.processor, services_.lane.get());
    StaticText22->setText(fromStd(sysinfo::clockNumberText(kept, separator)));
}

} // namespace vexlin
