#pragma once

#include <QImage>
#include <QWidget>

namespace vexlin {

// The processor group's picture (img_info): lines drawn one under the other, the label in blue and the
// value after it in black, on the button-face colour.  It keeps what was drawn until the next clear.
class InfoPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLeftMargin = 15;
    static constexpr int kLineStep = 13;

    explicit InfoPicture(QWidget* parent = nullptr);

    void clear();
    void writeLine(const QString& label, const QString& value);

    const QImage& image() const { return image_; }
    int cursor() const { return cursor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void ensureHeight(int height);

    QImage image_;
    int cursor_ = 1;
};

} // namespace vexlin
