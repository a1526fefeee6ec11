#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

namespace vexlin {

// An image control: a picture of its own that handlers draw on, shown at the top-left corner, with the mouse
// presses and releases on it passed on as signals.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // The picture drawn on; a null picture shows only the background.
    QImage& picture() { return picture_; }
    const QImage& picture() const { return picture_; }
    void setPicture(const QImage& picture);

    // Small marks laid over the picture, not drawn into it: what the handlers draw stays as it is under them.
    void setMarks(std::vector<QPoint> centres);
    const std::vector<QPoint>& marks() const { return marks_; }

signals:
    void mouseDown(Qt::MouseButton button);
    void mouseUp(Qt::MouseButton button);
    // The left button pressed and released over the control.
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QImage picture_;
    std::vector<QPoint> marks_;
};

} // namespace vexlin
