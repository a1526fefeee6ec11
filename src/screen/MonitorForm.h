#pragma once

#include "screen/ScreenTest.h"
#include "ui/AppServices.h"
#include "ui/Form.h"

#include <QImage>
#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace vexlin {

// The screen test: full-screen colour, pixel-response and text pages.
class TMonitorForm : public Form {
    Q_OBJECT
public:
    TMonitorForm(AppServices& services, QWidget* parent = nullptr);
    ~TMonitorForm() override;

    void FormShow() override;
    void FormActivate() override;
    void FormClose() override;
    void FormKeyPress(const QString& typedText);
    void FormMouseDown();
    void PlainColourClick(Rgb colour); // Panel2 … Panel9
    void Panel10Click();
    void Panel11Click();
    void Timer1Timer();
    void Timer2Timer();

    const ScreenTest& state() const { return test_; }

    std::array<QLabel*, kLabelCount> Labels{}; // Label1 … Label13
    QWidget* Panel1 = nullptr;
    std::array<QPushButton*, 10> PanelButtons{}; // Panel2 … Panel11
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    // Each frame of the pixel-response page is composed here, in device pixels, and then shown in one piece.
    QImage OffscreenImage;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void makeOffscreenImage();
    // Brings the controls and timers in line with the page after a handler changed it, and repaints the
    // whole window even when the colour stayed the same.
    void applyState();

    AppServices& services_;
    ScreenTest test_;
};

} // namespace vexlin
