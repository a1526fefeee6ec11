#include "gfx/SceneView.h"

#include <cmath>

namespace vexlin::gfx {

void SceneView::mouseDown(MouseButton button, std::int32_t x, std::int32_t y) {
    if (button == MouseButton::Left) {
        mouseMode = 1;
        mouseX = x;
        mouseY = y;
    } else if (button == MouseButton::Right) {
        mouseMode = 2;
        zoomY = y;
    }
}

void SceneView::mouseMove(std::int32_t x, std::int32_t y) {
    if (mouseMode == 1) {
        xRotation += static_cast<float>(y - mouseY) / 2.0f;
        zRotation += static_cast<float>(x - mouseX) / 2.0f;
        mouseX = x;
        mouseY = y;
    } else if (mouseMode == 2) {
        depth -= static_cast<float>(y - zoomY) / 3.0f;
        zoomY = y;
    }
}

std::uint32_t smoothElapsed(std::uint32_t trueElapsedMs, std::uint32_t lastElapsedMs) {
    // Summed in 64 bits: a 32-bit sum would wrap after 24 days of running and stop the animation.
    return static_cast<std::uint32_t>((std::uint64_t{trueElapsedMs} + lastElapsedMs) >> 1);
}

std::int32_t framesPerSecond(std::int64_t frames, std::int64_t intervalMs) {
    if (intervalMs <= 0) {
        return static_cast<std::int32_t>(frames);
    }
    return static_cast<std::int32_t>(
        std::llround(static_cast<double>(frames) * 1000.0 / static_cast<double>(intervalMs)));
}

std::string performanceTitle() {
    return "Производительность видео карты и процессора";
}

std::string performanceCaption(std::int32_t framesPerSecond) {
    return performanceTitle() + " [" + std::to_string(framesPerSecond) + " FPS]";
}

} // namespace vexlin::gfx
