#include "battery/IconImage.h"

#include <gtest/gtest.h>
#include <stdexcept>

namespace vexlin::battery {
namespace {

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr int kRedIndex = 9;
constexpr int kBlueIndex = 12;

std::uint32_t read32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes.at(offset) | bytes.at(offset + 1) << 8 | bytes.at(offset + 2) << 16 |
           static_cast<std::uint32_t>(bytes.at(offset + 3)) << 24;
}

std::uint16_t read16(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes.at(offset) | bytes.at(offset + 1) << 8);
}

RgbPicture filled(int width, int height, Rgb colour) {
    return {width, height, std::vector<Rgb>(static_cast<std::size_t>(width * height), colour)};
}

// A 16×16 drawing with a red vertical bar at column `x` on blue, and one red pixel at the top-left corner.
RgbPicture barAt(int x) {
    auto picture = filled(kTextPictureSize, kTextPictureSize, kBlue);
    for (int y = 0; y < picture.height; ++y) {
        picture.pixels[static_cast<std::size_t>(y * picture.width + x)] = kRed;
    }
    picture.pixels[0] = kRed;
    return picture;
}

struct ScanlineRow {
    const char* name;
    int width;
    int bits;
    int bytes;
};

class BytesPerScanline : public testing::TestWithParam<ScanlineRow> {};

TEST_P(BytesPerScanline, WholeWords) {
    EXPECT_EQ(bytesPerScanline(GetParam().width, GetParam().bits), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, BytesPerScanline,
    testing::Values(ScanlineRow{"icon_colour_rows", 32, 4, 16}, ScanlineRow{"icon_mask_rows", 32, 1, 4},
                    ScanlineRow{"one_bit", 1, 1, 4}, ScanlineRow{"one_past_a_word", 33, 1, 8},
                    ScanlineRow{"true_colour_padded", 3, 24, 12},
                    ScanlineRow{"true_colour_exact", 16, 24, 48}, ScanlineRow{"nothing", 0, 4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct NearestRow {
    const char* name;
    Rgb colour;
    int index;
};

class NearestColour : public testing::TestWithParam<NearestRow> {};

TEST_P(NearestColour, PicksClosestEntry) {
    EXPECT_EQ(nearestPaletteIndex(defaultPalette(), GetParam().colour), GetParam().index);
}

INSTANTIATE_TEST_SUITE_P(Battery, NearestColour,
                         testing::Values(NearestRow{"pure_red", kRed, kRedIndex},
                                         NearestRow{"pure_blue", kBlue, kBlueIndex},
                                         NearestRow{"black", {0, 0, 0}, 0},
                                         NearestRow{"white", {255, 255, 255}, 15},
                                         NearestRow{"almost_red", {250, 5, 5}, kRedIndex},
                                         NearestRow{"dim_blue_to_dark_blue", {0, 0, 100}, 4},
                                         NearestRow{"purple_to_magenta", {200, 0, 200}, 13},
                                         // Equally far from light grey (7) and grey (8): the lower index.
                                         NearestRow{"tie_goes_to_lower_index", {160, 160, 160}, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ConvertDib, DoublesEachPixelIntoATwoByTwoBlock) {
    RgbPicture picture = filled(kTextPictureSize, kTextPictureSize, {});
    const auto& palette = defaultPalette();
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.pixels[static_cast<std::size_t>(y * 16 + x)] =
                palette[static_cast<std::size_t>((3 * x + y) % 16)];
        }
    }
    const Dib4 dib = convertDib(picture, kTrayIconSize, kTrayIconSize);
    ASSERT_EQ(dib.rows.size(), 512u);
    for (int y = 0; y < kTrayIconSize; ++y) {
        for (int x = 0; x < kTrayIconSize; ++x) {
            ASSERT_EQ(dib.index(x, y), (3 * (x / 2) + y / 2) % 16) << x << "," << y;
        }
    }
}

TEST(ConvertDib, RowsAreStoredBottomUpHighNibbleFirst) {
    const Dib4 dib = convertDib(barAt(15), kTrayIconSize, kTrayIconSize);
    // The top-left red pixel becomes the first two pixels of the last two stored rows.
    EXPECT_EQ(dib.rows[31 * 16], 0x99);
    EXPECT_EQ(dib.rows[30 * 16], 0x99);
    EXPECT_EQ(dib.rows[0], 0xCC);
    // Column 15 doubles to columns 30 and 31: the last byte of every row.
    for (int row = 0; row < 32; ++row) {
        EXPECT_EQ(dib.rows[static_cast<std::size_t>(row * 16 + 15)], 0x99) << row;
        EXPECT_EQ(dib.rows[static_cast<std::size_t>(row * 16 + 14)], 0xCC) << row;
    }
}

TEST(ConvertDib, ShrinkingDeletesRowsAndColumns) {
    // 4×4 to 2×2 keeps source pixels (0,0), (2,0), (0,2), (2,2) and never blends.
    RgbPicture picture = filled(4, 4, {255, 255, 255});
    picture.pixels[0] = kRed;
    picture.pixels[2] = kBlue;
    picture.pixels[8] = {0, 0, 0};
    picture.pixels[1] = {0, 255, 0}; // deleted
    const Dib4 dib = convertDib(picture, 2, 2);
    EXPECT_EQ(dib.index(0, 0), kRedIndex);
    EXPECT_EQ(dib.index(1, 0), kBlueIndex);
    EXPECT_EQ(dib.index(0, 1), 0);
    EXPECT_EQ(dib.index(1, 1), 15);
}

struct BadPictureRow {
    const char* name;
    RgbPicture picture;
    int width;
    int height;
};

class ConvertDibRefuses : public testing::TestWithParam<BadPictureRow> {};

TEST_P(ConvertDibRefuses, WithAMessage) {
    EXPECT_THROW(convertDib(GetParam().picture, GetParam().width, GetParam().height), std::invalid_argument);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, ConvertDibRefuses,
    testing::Values(BadPictureRow{"empty_picture", {}, 32, 32},
                    BadPictureRow{"too_few_pixels", {16, 16, std::vector<Rgb>(255)}, 32, 32},
                    BadPictureRow{"too_many_pixels", {2, 2, std::vector<Rgb>(5)}, 32, 32},
                    BadPictureRow{"negative_width", {-2, -2, std::vector<Rgb>(4)}, 32, 32},
                    BadPictureRow{"zero_target", filled(16, 16, kBlue), 0, 32},
                    BadPictureRow{"huge_target", filled(16, 16, kBlue), 32, 1 << 20}),
    [](const auto& info) { return std::string(info.param.name); });

class IconImage : public testing::Test {
protected:
    Dib4 dib = convertDib(barAt(15), kTrayIconSize, kTrayIconSize);
    std::vector<std::uint8_t> image = buildIconImage(dib);
};

TEST_F(IconImage, Is744Bytes) {
    EXPECT_EQ(image.size(), 744u);
}

struct HeaderRow {
    const char* name;
    std::size_t offset;
    int size;
    std::uint32_t value;
};

class IconHeader : public IconImage, public testing::WithParamInterface<HeaderRow> {};

TEST_P(IconHeader, Field) {
    const auto& row = GetParam();
    EXPECT_EQ(row.size == 4 ? read32(image, row.offset) : read16(image, row.offset), row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Battery, IconHeader,
    testing::Values(HeaderRow{"header_size", 0, 4, 40}, HeaderRow{"width", 4, 4, 32},
                    HeaderRow{"height_with_mask", 8, 4, 64}, HeaderRow{"planes", 12, 2, 1},
                    HeaderRow{"bits", 14, 2, 4}, HeaderRow{"uncompressed", 16, 4, 0},
                    HeaderRow{"image_size", 20, 4, 512}, HeaderRow{"x_resolution", 24, 4, 0},
                    HeaderRow{"y_resolution", 28, 4, 0}, HeaderRow{"colours_used", 32, 4, 16},
                    HeaderRow{"colours_important", 36, 4, 0}),
    [](const auto& info) { return std::string(info.param.name); });

struct PaletteRow {
    const char* name;
    int index;
    Rgb colour;
};

class IconPalette : public IconImage, public testing::WithParamInterface<PaletteRow> {};

TEST_P(IconPalette, EntryIsBlueGreenRedZero) {
    const std::size_t at = 40 + static_cast<std::size_t>(GetParam().index) * 4;
    EXPECT_EQ(image[at], GetParam().colour.b);
    EXPECT_EQ(image[at + 1], GetParam().colour.g);
    EXPECT_EQ(image[at + 2], GetParam().colour.r);
    EXPECT_EQ(image[at + 3], 0);
}

// The two colours the picture uses, and the ends of the table.
INSTANTIATE_TEST_SUITE_P(Battery, IconPalette,
                         testing::Values(PaletteRow{"black", 0, {0, 0, 0}}, PaletteRow{"red", 9, {255, 0, 0}},
                                         PaletteRow{"blue", 12, {0, 0, 255}},
                                         PaletteRow{"white", 15, {255, 255, 255}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(IconImage, ColourRowsFollowThePalette) {
    const std::vector<std::uint8_t> rows(image.begin() + 104, image.begin() + 616);
    EXPECT_EQ(rows, dib.rows);
}

TEST_F(IconImage, MaskIsAllZero) {
    for (std::size_t i = 616; i < image.size(); ++i) {
        ASSERT_EQ(image[i], 0) << "mask byte " << i - 616;
    }
}

TEST(IconImageRefuses, RowsThatDoNotMatchTheSize) {
    Dib4 dib = convertDib(barAt(0), kTrayIconSize, kTrayIconSize);
    dib.rows.pop_back();
    EXPECT_THROW(buildIconImage(dib), std::invalid_argument);
}

TEST(IcoFile, OneDirectoryEntryBeforeTheImage) {
    const auto file = trayIconFile(barAt(3));
    ASSERT_EQ(file.size(), 6u + 16u + 744u);
    EXPECT_EQ(read16(file, 0), 0);  // reserved
    EXPECT_EQ(read16(file, 2), 1);  // icon
    EXPECT_EQ(read16(file, 4), 1);  // one image
    EXPECT_EQ(file[6], 32);         // width
    EXPECT_EQ(file[7], 32);         // height
    EXPECT_EQ(file[8], 16);         // colours
    EXPECT_EQ(read16(file, 10), 1); // planes
    EXPECT_EQ(read16(file, 12), 4); // bits
    EXPECT_EQ(read32(file, 14), 744u);
    EXPECT_EQ(read32(file, 18), 22u);
    EXPECT_EQ(std::vector<std::uint8_t>(file.begin() + 22, file.end()),
              buildIconImage(convertDib(barAt(3), kTrayIconSize, kTrayIconSize)));
}

} // namespace
} // namespace vexlin::battery
