#pragma once

class QImage;

namespace vexlin {

class ScreenTest;

// One frame of the pixel-response page: the image filled with the page colour, the boxes advanced by one tick
// and drawn pass by pass, each with the strip that wipes its trail.  Coordinates are the image's own pixels.
void drawPixelResponseFrame(QImage& image, ScreenTest& test);

} // namespace vexlin
