#pragma once

#include <cstdint>
#include <string>

// The performance window's state that is not OpenGL: the camera the mouse moves, the smoothed clock, the
// frame counter's texts.
namespace vexlin::gfx {

enum class MouseButton { Left, Right, Other };

struct SceneView {
    float xRotation = -90.0f;
    float zRotation = -85.0f;
    float depth = -110.0f;
    std::int32_t mouseX = 0;
    std::int32_t mouseY = 0;
    std::int32_t zoomY = 0;
    std::int32_t mouseMode = 0; // 0 none, 1 turning, 2 moving nearer or farther

    void mouseDown(MouseButton button, std::int32_t x, std::int32_t y);
    void mouseMove(std::int32_t x, std::int32_t y);
    void mouseUp() { mouseMode = 0; }
};

// The elapsed time the animation sees: the mean of the true elapsed milliseconds and the previous value.
std::uint32_t smoothElapsed(std::uint32_t trueElapsedMs, std::uint32_t lastElapsedMs);

// The frames of the last second from the frames counted since the previous count.  The count is scaled by the
// time that really passed, because a timer of the idle-priority interface thread fires late under load and
// an unscaled count would then read high; a non-positive interval gives the count as it is.
std::int32_t framesPerSecond(std::int64_t frames, std::int64_t intervalMs);

// "Производительность видео карты и процессора [57 FPS]"
std::string performanceCaption(std::int32_t framesPerSecond);
std::string performanceTitle();

} // namespace vexlin::gfx
