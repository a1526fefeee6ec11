#pragma once

#include "gfx/FrameHandOver.h"

#include <QOpenGLWidget>
#include <array>
#include <memory>

namespace vexlin {

class GlSyncCalls;

// Shows the performance test's latest frame.  The frames are drawn in the window's own context into two
// framebuffer textures (so that drawing can go on while the window is hidden); this widget's context shares
// textures with that one and puts the latest complete frame on the screen, taking it through the hand-over.
class FrameView final : public QOpenGLWidget {
public:
    explicit FrameView(QWidget* parent = nullptr);
    ~FrameView() override;

    // Where the frames come from: the hand-over and the textures of its buffers, and whether the scene's
    // side hands over with fences (both sides must agree); a null hand-over for none (a black view).
    void setFrames(gfx::FrameHandOver* handOver, std::array<unsigned, gfx::FrameHandOver::kBuffers> textures,
                   bool fences = true);

protected:
    void initializeGL() override;
    void paintGL() override;

private:
    void drawTexture(unsigned texture);

    gfx::FrameHandOver* handOver_ = nullptr;
    std::array<unsigned, gfx::FrameHandOver::kBuffers> textures_{};
    std::unique_ptr<GlSyncCalls> sync_;
    bool fences_ = true;
};

} // namespace vexlin
