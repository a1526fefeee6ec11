#include "sysinfo/SystemPage.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>

namespace vexlin {
namespace {

QGroupBox* makeGroup(const char* name, const char* caption) {
    auto* group = new QGroupBox(QString::fromUtf8(caption));
    group->setObjectName(name);
    return group;
}

} // namespace

SystemPage::SystemPage(AppServices& services, QWidget* parent) : QWidget(parent), services_(services) {
    setObjectName("TabSheet1");

    GroupBox3 = makeGroup("GroupBox3", "Информация о процессоре");
    GroupBox4 = makeGroup("GroupBox4", "Информация о компьютере");
    GroupBox2 = makeGroup("GroupBox2", "Информация о системе");
    GroupBox1 = makeGroup("GroupBox1", "Информация о экране и видеокарте");

    Button8 = new QPushButton("Установка и удаление программ", GroupBox2);
    Button8->setObjectName("Button8");
    Button8->setGeometry(8, 200, 185, 25);
    Button7 = new QPushButton("Свойства: Экран ----> Параметры", GroupBox1);
    Button7->setObjectName("Button7");
    Button7->setGeometry(8, 200, 185, 25);

    auto* left = new QSplitter(Qt::Vertical);
    left->setObjectName("SplitterLeft");
    left->addWidget(GroupBox3);
    left->addWidget(GroupBox4);
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

void SystemPage::FormCreate() {}

void SystemPage::FormShow() {}

void SystemPage::FormActivate() {}

void SystemPage::Timer2Timer() {}

} // namespace vexlin
