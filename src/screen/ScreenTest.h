#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vexlin {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

namespace screen_colours {
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 255, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kMagenta{255, 0, 255};
inline constexpr Rgb kAqua{0, 255, 255};
inline constexpr Rgb kSkyBlue{166, 202, 240};
} // namespace screen_colours

// The ten colour buttons of the bar at the bottom, left to right.
struct PanelButton {
    const char* name;
    const char* caption;
    int left;
    int width;
    Rgb colour;
    Rgb textColour;
};
inline constexpr int kPanelBarHeight = 62;
inline constexpr int kPanelButtonTop = 8;
inline constexpr int kPanelButtonHeight = 49;
std::span<const PanelButton> panelButtons();

// The thirteen labels of the text page: left 8, each with its top and its font height in pixels.
struct LabelGeometry {
    int top;
    int pixelHeight;
    int points;
};
inline constexpr int kLabelCount = 13;
inline constexpr int kLabelLeft = 8;
std::span<const LabelGeometry> labelGeometry();

// "Black Times New Roman size 4" for the first label, up to size 28 for the thirteenth.
std::string labelText(std::string_view fontName, int labelIndex);

// The pixel-response page: five rows of boxes, row k moving k pixels a tick.
inline constexpr int kBoxRows = 5;
inline constexpr int kBoxStartX = 58;
inline constexpr int kBoxWidth = 137; // outline included
inline constexpr int kBoxHeight = 97;
inline constexpr int kTrailWidth = 10;   // strip left of each box, in the background colour
int boxRowTop(int row, int imageHeight); // row 0 … 4

// One box drawn in a frame: the box at (x, y) and the trail-erasing strip left of it.
struct BoxDraw {
    int x;
    int y;
    friend bool operator==(const BoxDraw&, const BoxDraw&) = default;
};

// A key closes the screen test when it types a character (Escape, Enter, Tab and Backspace included); keys
// that type nothing (arrows, function keys, modifiers) do not.  Delete counts as typing nothing although
// X11 hands it the DEL character.
bool keyClosesScreenTest(std::string_view typedText);

// The state of the screen-test window: page, colours, the moving boxes, the font cycle.
class ScreenTest {
public:
    enum class Page { PixelResponse, PlainColour, Text };

    void show();
    void plainColourClick(Rgb colour);
    void speedOfPixelClick();
    void textClick();
    void mouseDown();
    void fontTick();

    // Advances the boxes by one tick and lists the box draws in order: five passes of five rows.
    std::vector<BoxDraw> frame(int imageHeight);
    // Boxes whose left edge passed the window's outer width start again at the left.
    void wrapBoxes(int outerWidth);

    Page page() const { return page_; }
    Rgb background() const { return background_; }
    bool barVisible() const { return barVisible_; }
    bool labelsVisible() const { return page_ == Page::Text; }
    bool animationRunning() const { return page_ == Page::PixelResponse; }
    bool fontCycleRunning() const { return page_ == Page::Text; }
    int mouseColourIndex() const { return mouseColourIndex_; }
    int fontIndex() const { return fontIndex_; }
    const std::array<int, kBoxRows>& boxX() const { return boxX_; }
    const std::string& labelFont() const { return labelFont_; }

private:
    void startBoxes();

    Page page_ = Page::PixelResponse;
    Rgb background_ = screen_colours::kWhite;
    bool barVisible_ = true;
    int mouseColourIndex_ = 1;
    int fontIndex_ = 0;
    std::array<int, kBoxRows> boxX_{};
    std::string labelFont_ = "Times New Roman";
};

} // namespace vexlin
