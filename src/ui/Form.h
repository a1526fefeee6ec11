#pragma once

#include <QDialog>

namespace vexlin {

// A window of the program in the shape its handlers are named after: FormShow when shown, FormActivate each
// time it becomes the active window, FormClose when it closes (close box, Escape or a handler's close()).
// Windows are created once and hidden on close, never destroyed before the program ends.
class Form : public QDialog {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    virtual void FormShow() {}
    virtual void FormActivate() {}
    virtual void FormClose() {}

    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

    // Gives the window this outer size (frame included) once the window manager has framed it.
    void setOuterSize(QSize outer);

private:
    void settleOuterSize();

    QSize outerSize_;
    bool outerSizeSettled_ = false;
    bool closing_ = false;
};

} // namespace vexlin
