#include "audio/Polyline.h"

#include <cstdlib>

namespace vexlin::audio {
namespace {

bool pictureFits(const PixelView& picture) {
    if (picture.width <= 0 || picture.height <= 0 || picture.stride < picture.width) {
        return false;
    }
    const auto needed =
        static_cast<std::size_t>(picture.stride) * static_cast<std::size_t>(picture.height - 1) +
        static_cast<std::size_t>(picture.width);
    return picture.pixels.size() >= needed;
}

bool nearEnough(const PixelView& picture, const WavePoint& p) {
    return p.x >= -picture.width && p.x <= 2 * picture.width && p.y >= -picture.height &&
           p.y <= 2 * picture.height;
}

// Bresenham from a to b, b itself left out.
void drawSegment(const PixelView& picture, WavePoint a, WavePoint b, std::uint32_t colour) {
    const int dx = std::abs(b.x - a.x);
    const int dy = -std::abs(b.y - a.y);
    const int stepX = a.x < b.x ? 1 : -1;
    const int stepY = a.y < b.y ? 1 : -1;
    int error = dx + dy;
    int x = a.x;
    int y = a.y;
    while (x != b.x || y != b.y) {
        if (x >= 0 && x < picture.width && y >= 0 && y < picture.height) {
            picture.pixels[static_cast<std::size_t>(y * picture.stride + x)] = colour;
        }
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y += stepY;
        }
    }
}

} // namespace

bool drawPolyline(const PixelView& picture, std::span<const WavePoint> points, std::uint32_t colour) {
    if (!pictureFits(picture)) {
        return false;
    }
    for (const WavePoint& p : points) {
        if (!nearEnough(picture, p)) {
            return false;
        }
    }
    for (std::size_t i = 1; i < points.size(); ++i) {
        drawSegment(picture, points[i - 1], points[i], colour);
    }
    return true;
}

} // namespace vexlin::audio
