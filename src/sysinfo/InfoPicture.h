#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

namespace vexlin {

// The processor group's picture (img_info): lines drawn one under the other, the label in blue and the
// value after it in black, on the button-face colour.  It keeps what was drawn until the next clear.
// Lines written while nobody looks are drawn when the picture is next painted or read: the page writes
// its two dozen lines while the main window is being shown, and drawing their glyphs then would hold the
// window back.
class InfoPicture : public QWidget {
    Q_OBJECT
public:
    static constexpr int kLeftMargin = 15;
    static constexpr int kLineStep = 13;

    explicit InfoPicture(QWidget* parent = nullptr);

    void clear();
    void writeLine(const QString& label, const QString& value);

    // What has been written so far, drawn.
    const QImage& image() const;
    int cursor() const { return cursor_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Line {
        int top = 0;
        QString label;
        QString value;
    };

    void drawPending() const;
    void ensureHeight(int height) const;

    // Made and drawn on demand; the widget's look does not change by it.
    mutable QImage image_;
    mutable std::vector<Line> pending_;
    int cursor_ = 1;
};

} // namespace vexlin
