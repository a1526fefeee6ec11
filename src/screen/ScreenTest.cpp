#include "screen/ScreenTest.h"

namespace vexlin {

using namespace screen_colours;

std::span<const PanelButton> panelButtons() {
    static constexpr PanelButton kButtons[] = {
        {"Panel2", "White", 8, 49, kWhite, kBlack},
        {"Panel3", "Black", 79, 49, kBlack, kWhite},
        {"Panel4", "Red", 151, 49, kRed, kBlack},
        {"Panel5", "Green", 223, 49, kGreen, kBlack},
        {"Panel6", "Blue", 294, 49, kBlue, kBlack},
        {"Panel7", "Yellow", 366, 49, kYellow, kBlack},
        {"Panel8", "Magenta", 438, 49, kMagenta, kBlack},
        {"Panel9", "Aqua", 510, 49, kAqua, kBlack},
        {"Panel10", "Speed of Pixel", 582, 91, kSkyBlue, kBlack},
        {"Panel11", "Text TEXT", 695, 91, kWhite, kBlack},
    };
    return kButtons;
}

std::span<const LabelGeometry> labelGeometry() {
    // Font heights are the point sizes 4, 6 … 28 at 96 dots per inch.
    static constexpr LabelGeometry kLabels[kLabelCount] = {
        {8, 5, 4},     {20, 8, 6},    {36, 11, 8},   {54, 13, 10},  {72, 16, 12},
        {91, 19, 14},  {117, 21, 16}, {144, 24, 18}, {176, 27, 20}, {208, 29, 22},
        {245, 32, 24}, {280, 35, 26}, {320, 37, 28},
    };
    return kLabels;
}

std::string labelText(std::string_view fontName, int labelIndex) {
    const int points = labelGeometry()[static_cast<std::size_t>(labelIndex)].points;
    return "Black " + std::string(fontName) + " size " + std::to_string(points);
}

int boxRowTop(int row, int imageHeight) {
    return 20 + row * (imageHeight / 6);
}

bool keyClosesScreenTest(std::string_view typedText) {
    constexpr char kDel = 0x7F;
    return !typedText.empty() && typedText.front() != kDel;
}

void ScreenTest::startBoxes() {
    mouseColourIndex_ = 1;
    boxX_.fill(kBoxStartX);
    background_ = kWhite;
}

void ScreenTest::show() {
    page_ = Page::PixelResponse;
    barVisible_ = true;
    startBoxes();
}

void ScreenTest::plainColourClick(Rgb colour) {
    page_ = Page::PlainColour;
    barVisible_ = false;
    background_ = colour;
}

void ScreenTest::speedOfPixelClick() {
    page_ = Page::PixelResponse;
    startBoxes();
}

void ScreenTest::textClick() {
    page_ = Page::Text;
    barVisible_ = false;
    background_ = kWhite;
    fontIndex_ = 0;
}

void ScreenTest::mouseDown() {
    barVisible_ = true;
    if (page_ != Page::PixelResponse) {
        return;
    }
    static constexpr Rgb kCycle[] = {kWhite, kBlack, kRed, kGreen, kBlue, kYellow, kMagenta, kAqua};
    ++mouseColourIndex_;
    background_ = kCycle[mouseColourIndex_ - 1];
    if (mouseColourIndex_ == 8) {
        mouseColourIndex_ = 0;
    }
}

void ScreenTest::fontTick() {
    ++fontIndex_;
    switch (fontIndex_) {
    case 1:
        labelFont_ = "Arial";
        break;
    case 2:
        labelFont_ = "Courier New";
        break;
    default:
        labelFont_ = "Times New Roman";
        fontIndex_ = 0;
        break;
    }
}

std::vector<BoxDraw> ScreenTest::frame(int imageHeight) {
    std::vector<BoxDraw> draws;
    draws.reserve(kBoxRows * kBoxRows);
    for (int pass = 0; pass < kBoxRows; ++pass) {
        for (int row = pass; row < kBoxRows; ++row) {
            ++boxX_[static_cast<std::size_t>(row)];
        }
        for (int row = 0; row < kBoxRows; ++row) {
            draws.push_back({boxX_[static_cast<std::size_t>(row)], boxRowTop(row, imageHeight)});
        }
    }
    return draws;
}

void ScreenTest::wrapBoxes(int outerWidth) {
    for (int& x : boxX_) {
        if (x > outerWidth) {
            x = kBoxStartX;
        }
    }
}

} // namespace vexlin
