#include "app/LogoForm.h"

#include "app/SplashText.h"
#include "text/Maker.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QShowEvent>

namespace vexlin {
namespace {

constexpr int kWidth = 358;
constexpr int kHeight = 153;

QLabel* makeLabel(QWidget* parent, const char* name, const QString& text, int pixelHeight) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    QFont font("Arial");
    font.setPixelSize(pixelHeight);
    label->setFont(font);
    return label;
}

} // namespace

TLogoForm::TLogoForm(const platform::PowerSource& power, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), power_(power) {
    setObjectName("LogoForm");
    setFixedSize(kWidth, kHeight);
    setStyleSheet("#LogoForm { background: black; }");

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setGeometry(1, 1, kWidth - 2, kHeight - 2);
    Panel1->setAutoFillBackground(true);
    QPalette panelPalette = Panel1->palette();
    panelPalette.setColor(QPalette::Window, QColor(128, 128, 255));
    Panel1->setPalette(panelPalette);

    ProgressBar1 = new QProgressBar(Panel1);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setOrientation(Qt::Vertical);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setGeometry(0, 0, 25, kHeight - 2);

    Label1 = makeLabel(Panel1, "Label1", maker::kLine, 36);
    Label1->setAlignment(Qt::AlignCenter);
    Label1->setGeometry(40, 0, 320 - 4, 41);
    Label4 = makeLabel(Panel1, "Label4", maker::kSecondLine, 13);
    Label4->move(272, 40);
    Label4->adjustSize();
    Label3 = makeLabel(Panel1, "Label3", "Vexlin", 25);
    Label3->move(42, 72);
    Label3->adjustSize();

    Label2 = makeLabel(Panel1, "Label2", "Label2", 21);
    QPalette red = Label2->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Label2->setPalette(red);
    Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Right-aligned with its right edge at x = 353 of the window.
    Label2->setGeometry(30, 125 - 1, 353 - 1 - 30, 26);

    if (const auto* screen = QGuiApplication::primaryScreen()) {
        move(screen->geometry().center() - rect().center());
    }
}

void TLogoForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A splash is not activated by every window manager; showing it is what fills it.
    if (!event->spontaneous()) {
        FormActivate();
    }
}

void TLogoForm::FormActivate() {
    status_ = power_.read();
    const auto battery = splashBattery(status_.BatteryLifePercent);
    Label2->setText(QString::fromStdString(battery.text));
    ProgressBar1->setValue(std::min(ProgressBar1->maximum(), ProgressBar1->value() + battery.barSteps));
}

} // namespace vexlin
