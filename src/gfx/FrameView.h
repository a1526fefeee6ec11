#pragma once

#include <QOpenGLWidget>

namespace vexlin {

// Shows the performance test's latest frame.  The frames are drawn in the window's own context into a
// framebuffer texture (so that drawing goes on while the window is hidden); this widget's context shares
// textures with that one and only puts the texture on the screen.
class FrameView final : public QOpenGLWidget {
public:
    explicit FrameView(QWidget* parent = nullptr);

    // The texture holding the latest frame, 0 for none (a black view).
    void setFrameTexture(unsigned texture);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    unsigned texture_ = 0;
};

} // namespace vexlin
