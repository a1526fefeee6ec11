#include "screen/MonitorForm.h"

#include "screen/FrameImage.h"
#include "ui/ClockTimerSwitch.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cmath>

namespace vexlin {
namespace {

QColor toQColor(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// Windows timers tick at most every 15.6 ms, so the boxes were made to move 1 … 5 pixels per screen refresh;
// a true 1 ms timer would move them sixteen times faster than a panel can show, and keep a core busy.
constexpr int kFrameInterval = 16;
constexpr int kFontInterval = 2000;

} // namespace

TMonitorForm::TMonitorForm(AppServices& services, QWidget* parent)
    : Form(parent, Qt::FramelessWindowHint), services_(services) {
    setObjectName("MonitorForm");
    setWindowTitle("Test Monitor");
    resize(792, 423);
    setWindowState(Qt::WindowFullScreen);
    setFocusPolicy(Qt::StrongFocus);

    // Black text on whatever the pattern shows: a label fills no background of its own.  A palette, not a
    // style sheet per label: two dozen style sheets cost the start of the program a few milliseconds.
    QPalette labelPalette = palette();
    labelPalette.setColor(QPalette::WindowText, Qt::black);
    for (int i = 0; i < kLabelCount; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QString("Label%1").arg(i + 1));
        const auto& geometry = labelGeometry()[static_cast<std::size_t>(i)];
        label->move(kLabelLeft, geometry.top);
        label->setPalette(labelPalette);
        label->hide();
        Labels[static_cast<std::size_t>(i)] = label;
    }

    Panel1 = new QWidget(this);
    Panel1->setObjectName("Panel1");
    Panel1->setAutoFillBackground(true);
    Panel1->setAttribute(Qt::WA_NoMousePropagation); // a click on the bar is not a click on the page
    std::size_t index = 0;
    QString buttonStyles; // one sheet for the bar, each button's rule under its name
    for (const auto& design : panelButtons()) {
        auto* button = new QPushButton(QString::fromUtf8(design.caption), Panel1);
        button->setObjectName(design.name);
        button->setGeometry(design.left, kPanelButtonTop, design.width, kPanelButtonHeight);
        button->setFocusPolicy(Qt::NoFocus);
        buttonStyles +=
            QString("QPushButton#%1 { background: %2; color: %3; border: 2px outset #a0a0a0; }"
                    "QPushButton#%1:pressed { border-style: inset; }")
                .arg(design.name, toQColor(design.colour).name(), toQColor(design.textColour).name());
        PanelButtons[index++] = button;
    }
    Panel1->setStyleSheet(buttonStyles);
    for (std::size_t i = 0; i < 8; ++i) {
        const Rgb colour = panelButtons()[i].colour;
        connect(PanelButtons[i], &QPushButton::clicked, this, [this, colour] { PlainColourClick(colour); });
    }
    connect(PanelButtons[8], &QPushButton::clicked, this, &TMonitorForm::Panel10Click);
    connect(PanelButtons[9], &QPushButton::clicked, this, &TMonitorForm::Panel11Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(kFrameInterval);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(kFontInterval);
    connect(Timer1, &QTimer::timeout, this, &TMonitorForm::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TMonitorForm::Timer2Timer);
}

TMonitorForm::~TMonitorForm() {
    OffscreenImage = {};
}

void TMonitorForm::FormShow() {
    test_.show();
    applyState();
    // Some window managers map a window before they read the full-screen request made while it was hidden;
    // asking again once it is mapped is harmless where it was honoured.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !isFullScreen()) {
            setWindowState(windowState() | Qt::WindowFullScreen);
        }
    });
    // Without a window manager nobody honours the request at all: cover the screen ourselves.
    QTimer::singleShot(200, this, [this] {
        if (isVisible() && screen() != nullptr && geometry() != screen()->geometry()) {
            setGeometry(screen()->geometry());
        }
    });
}

void TMonitorForm::FormActivate() {
    makeOffscreenImage();
}

void TMonitorForm::FormClose() {
    // A hidden window has nothing to animate; the next show starts the pixel-response page again.
    Timer1->stop();
    Timer2->stop();
}

void TMonitorForm::makeOffscreenImage() {
    const qreal ratio = devicePixelRatio();
    const QSize pixels(static_cast<int>(std::lround(width() * ratio)),
                       static_cast<int>(std::lround(height() * ratio)));
    OffscreenImage = QImage(pixels, QImage::Format_RGB32);
    OffscreenImage.fill(toQColor(test_.background()));
}

void TMonitorForm::resizeEvent(QResizeEvent* event) {
    Form::resizeEvent(event);
    Panel1->setGeometry(0, height() - kPanelBarHeight, width(), kPanelBarHeight);
    // A full-screen window gets its final size from the window manager after it was activated; frames drawn
    // into an image of the old size would leave part of the screen unpainted.
    if (!OffscreenImage.isNull()) {
        makeOffscreenImage();
    }
}

void TMonitorForm::applyState() {
    Panel1->setVisible(test_.barVisible());
    const QString font = QString::fromStdString(test_.labelFont());
    for (int i = 0; i < kLabelCount; ++i) {
        QLabel* label = Labels[static_cast<std::size_t>(i)];
        QFont labelFont(font);
        labelFont.setPixelSize(labelGeometry()[static_cast<std::size_t>(i)].pixelHeight);
        label->setFont(labelFont);
        label->setText(QString::fromStdString(labelText(test_.labelFont(), i)));
        label->adjustSize();
        label->setVisible(test_.labelsVisible());
    }
    if (test_.animationRunning() != Timer1->isActive()) {
        test_.animationRunning() ? Timer1->start() : Timer1->stop();
    }
    if (test_.fontCycleRunning() != Timer2->isActive()) {
        test_.fontCycleRunning() ? Timer2->start() : Timer2->stop();
    }
    update();
}

void TMonitorForm::PlainColourClick(Rgb colour) {
    test_.plainColourClick(colour);
    applyState();
}

void TMonitorForm::Panel10Click() {
    test_.speedOfPixelClick();
    applyState();
}

void TMonitorForm::Panel11Click() {
    test_.textClick();
    applyState();
}

void TMonitorForm::Timer2Timer() {
    test_.fontTick();
    applyState();
}

void TMonitorForm::FormMouseDown() {
    test_.mouseDown();
    applyState();
}

void TMonitorForm::Timer1Timer() {
    if (OffscreenImage.isNull()) {
        makeOffscreenImage();
    }
    drawPixelResponseFrame(OffscreenImage, test_);
    update();
    const int outerWidth = static_cast<int>(std::lround(frameGeometry().width() * devicePixelRatio()));
    test_.wrapBoxes(outerWidth);
}

void TMonitorForm::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (test_.animationRunning() && !OffscreenImage.isNull()) {
        painter.drawImage(QRectF(rect()), OffscreenImage);
    } else {
        painter.fillRect(rect(), toQColor(test_.background()));
    }
}

void TMonitorForm::FormKeyPress(const QString& typedText) {
    if (!keyClosesScreenTest(typedText.toStdString())) {
        return;
    }
    if (services_.clock != nullptr && services_.clock->measureOptionTicked()) {
        services_.clock->setClockTimerRunning(true);
    }
    close();
}

void TMonitorForm::keyPressEvent(QKeyEvent* event) {
    // Every key is handled here: the dialog's own Escape and Enter handling must not close the window
    // behind the clock's back.
    event->accept();
    FormKeyPress(event->text());
}

void TMonitorForm::mousePressEvent(QMouseEvent* event) {
    event->accept();
    FormMouseDown();
}

} // namespace vexlin
