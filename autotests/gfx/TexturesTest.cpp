#include "gfx/Textures.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <random>
#include <string>
#include <vector>

namespace vexlin::gfx {
namespace {

using ByteVector = std::vector<std::uint8_t>;

void put32(ByteVector& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

struct BmpLayout {
    std::int32_t width = 4;
    std::int32_t height = 2;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t paletteBytes = 0;
};

// Pixel (x, y) of a test picture, y counted from the bottom row: blue, green, red as a BMP stores them.
std::array<std::uint8_t, 3> bgrAt(int x, int y) {
    return {static_cast<std::uint8_t>(10 * x + 1), static_cast<std::uint8_t>(100 + y),
            static_cast<std::uint8_t>(200 + x)};
}

ByteVector bmp(const BmpLayout& s) {
    ByteVector b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 14, 40);
    put32(b, 18, static_cast<std::uint32_t>(s.width));
    put32(b, 22, static_cast<std::uint32_t>(s.height));
    b[26] = 1;
    b[28] = static_cast<std::uint8_t>(s.bits);
    put32(b, 30, s.compression);
    put32(b, 34, s.imageSize);
    put32(b, 46, s.paletteBytes);
    b.insert(b.end(), s.paletteBytes, 0xEE);
    const int rows = s.height < 0 ? -s.height : s.height;
    const std::size_t stride = (static_cast<std::size_t>(s.width) * 3 + 3) / 4 * 4;
    for (int y = 0; y < rows; ++y) {
        ByteVector row;
        for (int x = 0; x < s.width; ++x) {
            const auto p = bgrAt(x, y);
            row.insert(row.end(), p.begin(), p.end());
        }
        row.resize(stride, 0xAB);
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

void expectRgbPicture(const PixelImage& image, int width, int height) {
    ASSERT_EQ(image.width, static_cast<std::uint32_t>(width));
    ASSERT_EQ(image.height, static_cast<std::uint32_t>(height));
    EXPECT_EQ(image.format, PixelFormat::Rgb);
    ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(width * height * 3));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto p = bgrAt(x, y);
            const std::size_t at = static_cast<std::size_t>((y * width + x) * 3);
            EXPECT_EQ(image.pixels[at], p[2]) << x << "," << y;
            EXPECT_EQ(image.pixels[at + 1], p[1]) << x << "," << y;
            EXPECT_EQ(image.pixels[at + 2], p[0]) << x << "," << y;
        }
    }
}

// --- BMP -------------------------------------------------------------------------------------------------

struct BmpGoodCase {
    std::string name;
    BmpLayout layout;
};

class BmpReads : public ::testing::TestWithParam<BmpGoodCase> {};

TEST_P(BmpReads, AsRedGreenBlueBottomRowFirst) {
    const BmpLayout& s = GetParam().layout;
    const Decoded decoded = decodeBmpBytes("tex/a.bmp", bmp(s));
    ASSERT_TRUE(std::holds_alternative<PixelImage>(decoded));
    expectRgbPicture(std::get<PixelImage>(decoded), s.width, s.height);
}

INSTANTIATE_TEST_SUITE_P(Files, BmpReads,
                         ::testing::Values(BmpGoodCase{"ImageSizeZero", {4, 2, 24, 0, 0, 0}},
                                           BmpGoodCase{"ImageSizeGiven", {4, 2, 24, 0, 24, 0}},
                                           BmpGoodCase{"PaddedRows", {3, 3, 24, 0, 0, 0}},
                                           BmpGoodCase{"PaletteBytesSkipped", {2, 2, 24, 0, 0, 4}}),
                         [](const auto& info) { return info.param.name; });

struct RefusedCase {
    std::string name;
    std::function<ByteVector()> bytes;
    std::string caption;
    std::string text;
};

class BmpRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(BmpRefused, WithItsMessage) {
    const Decoded decoded = decodeBmpBytes("tex/a.bmp", GetParam().bytes());
    ASSERT_TRUE(std::holds_alternative<TextureMessage>(decoded));
    EXPECT_EQ(std::get<TextureMessage>(decoded).caption, GetParam().caption);
    EXPECT_EQ(std::get<TextureMessage>(decoded).text, GetParam().text);
}

const std::string kBmpForm =
    "Couldn't load \"tex/a.bmp\". Only uncompressed bottom-up 24-bit BMP files supported.";

INSTANTIATE_TEST_SUITE_P(Files, BmpRefused,
                         ::testing::Values(RefusedCase{"PixelsCutShort",
                                                       [] {
                                                           auto b = bmp({});
                                                           b.pop_back();
                                                           return b;
                                                       },
                                                       "BMP Unit", "Error reading bitmap data"},
                                           RefusedCase{"ImageSizeBeyondTheFile",
                                                       [] {
                                                           auto b = bmp({});
                                                           put32(b, 34, 1000);
                                                           return b;
                                                       },
                                                       "BMP Unit", "Error reading bitmap data"},
                                           RefusedCase{"PaletteBeyondTheFile",
                                                       [] {
                                                           auto b = bmp({});
                                                           put32(b, 46, 0xFFFFFFF0u);
                                                           return b;
                                                       },
                                                       "BMP Unit", "Error reading palette"},
                                           RefusedCase{"HeaderCutShort", [] { return ByteVector(30, 0); },
                                                       "BMP Unit",
                                                       "Error reading bitmap header of tex/a.bmp"},
                                           RefusedCase{"EightBit",
                                                       [] {
                                                           return bmp({4, 2, 8});
                                                       },
                                                       "BMP Unit", kBmpForm},
                                           RefusedCase{"Compressed",
                                                       [] {
                                                           return bmp({4, 2, 24, 1});
                                                       },
                                                       "BMP Unit", kBmpForm},
                                           RefusedCase{"TopDownRows",
                                                       [] {
                                                           return bmp({4, -2});
                                                       },
                                                       "BMP Unit", kBmpForm},
                                           RefusedCase{"HugeWidth",
                                                       [] {
                                                           auto b = bmp({});
                                                           put32(b, 18, 0x40000000);
                                                           return b;
                                                       },
                                                       "BMP Unit", kBmpForm}),
                         [](const auto& info) { return info.param.name; });

// --- TGA -------------------------------------------------------------------------------------------------

struct TgaLayout {
    std::uint8_t imageType = 2;
    std::uint8_t colourMap = 0;
    std::uint8_t bits = 24;
    std::uint8_t descriptor = 0;
    std::uint8_t idLength = 0;
    std::uint16_t width = 3;
    std::uint16_t height = 2;
};

// Pixel (x, row in file order) of a test TGA, stored blue, green, red (, alpha).
std::array<std::uint8_t, 4> tgaPixel(int x, int row) {
    return {static_cast<std::uint8_t>(x + 1), static_cast<std::uint8_t>(50 + row),
            static_cast<std::uint8_t>(150 + x), static_cast<std::uint8_t>(7 * x + row)};
}

ByteVector tga(const TgaLayout& s) {
    ByteVector b(18, 0);
    b[0] = s.idLength;
    b[1] = s.colourMap;
    b[2] = s.imageType;
    b[12] = static_cast<std::uint8_t>(s.width);
    b[13] = static_cast<std::uint8_t>(s.width >> 8);
    b[14] = static_cast<std::uint8_t>(s.height);
    b[15] = static_cast<std::uint8_t>(s.height >> 8);
    b[16] = s.bits;
    b[17] = s.descriptor;
    b.insert(b.end(), s.idLength, 'I');
    const std::size_t bytes = s.bits / 8;
    for (int row = 0; row < s.height; ++row) {
        for (int x = 0; x < s.width; ++x) {
            const auto p = tgaPixel(x, row);
            b.insert(b.end(), p.begin(),
                     p.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(bytes, 4)));
        }
    }
    return b;
}

struct TgaGoodCase {
    std::string name;
    TgaLayout layout;
    PixelFormat format;
    bool flipped;
};

class TgaReads : public ::testing::TestWithParam<TgaGoodCase> {};

TEST_P(TgaReads, WithRedAndBlueSwappedAndAlphaKept) {
    const TgaGoodCase& c = GetParam();
    const Decoded decoded = decodeTgaBytes("tex/a.tga", tga(c.layout));
    ASSERT_TRUE(std::holds_alternative<PixelImage>(decoded));
    const PixelImage& image = std::get<PixelImage>(decoded);
    EXPECT_EQ(image.format, c.format);
    EXPECT_EQ(image.width, c.layout.width);
    EXPECT_EQ(image.height, c.layout.height);
    const std::size_t bytes = c.format == PixelFormat::Rgb ? 3 : 4;
    ASSERT_EQ(image.pixels.size(), std::size_t{c.layout.width} * c.layout.height * bytes);
    for (int row = 0; row < c.layout.height; ++row) {
        const int fileRow = c.flipped ? c.layout.height - 1 - row : row;
        for (int x = 0; x < c.layout.width; ++x) {
            const auto p = tgaPixel(x, fileRow);
            const std::size_t at =
                (static_cast<std::size_t>(row) * c.layout.width + static_cast<std::size_t>(x)) * bytes;
            EXPECT_EQ(image.pixels[at], p[2]);
            EXPECT_EQ(image.pixels[at + 1], p[1]);
            EXPECT_EQ(image.pixels[at + 2], p[0]);
            if (bytes == 4) {
                EXPECT_EQ(image.pixels[at + 3], p[3]);
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaReads,
    ::testing::Values(TgaGoodCase{"TwentyFourBits", {}, PixelFormat::Rgb, false},
                      TgaGoodCase{"ThirtyTwoBits", {2, 0, 32}, PixelFormat::Rgba, false},
                      TgaGoodCase{"ImageIdSkipped", {2, 0, 24, 0, 5}, PixelFormat::Rgb, false},
                      TgaGoodCase{"TopRowFirst", {2, 0, 24, 0x20}, PixelFormat::Rgb, true}),
    [](const auto& info) { return info.param.name; });

class TgaRefused : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(TgaRefused, WithItsMessage) {
    const Decoded decoded = decodeTgaBytes("tex/a.tga", GetParam().bytes());
    ASSERT_TRUE(std::holds_alternative<TextureMessage>(decoded));
    EXPECT_EQ(std::get<TextureMessage>(decoded).caption, GetParam().caption);
    EXPECT_EQ(std::get<TextureMessage>(decoded).text, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TgaRefused,
    ::testing::Values(
        RefusedCase{"SixteenBits",
                    [] {
                        return tga({2, 0, 16});
                    },
                    "TGA File Error", "Couldn't load \"tex/a.tga\". Only 24 bit TGA files supported."},
        RefusedCase{"RunLength",
                    [] {
                        return tga({10, 0, 24});
                    },
                    "TGA File Error", "Couldn't load \"tex/a.tga\". Compressed TGA files not supported."},
        RefusedCase{"RunLengthWithColourMapReportsTheTypeFirst",
                    [] {
                        return tga({10, 1, 24});
                    },
                    "TGA File Error", "Couldn't load \"tex/a.tga\". Compressed TGA files not supported."},
        RefusedCase{"ColourMapped",
                    [] {
                        return tga({2, 1, 24});
                    },
                    "TGA File Error", "Couldn't load \"tex/a.tga\". Colormapped TGA files not supported."},
        RefusedCase{"FortyEightBits",
                    [] {
                        return tga({2, 0, 48});
                    },
                    "TGA File Error", "Couldn't load \"tex/a.tga\". Only 24 and 32 bit TGA files supported."},
        RefusedCase{"PixelsCutShort",
                    [] {
                        auto b = tga({});
                        b.pop_back();
                        return b;
                    },
                    "TGA File Error", "Couldn't read file \"tex/a.tga\"."},
        RefusedCase{"ImageIdPushesPixelsPastTheEnd",
                    [] {
                        auto b = tga({});
                        b[0] = 200;
                        return b;
                    },
                    "TGA File Error", "Couldn't read file \"tex/a.tga\"."},
        RefusedCase{"ZeroWidth",
                    [] {
                        return tga({2, 0, 24, 0, 0, 0, 2});
                    },
                    "TGA File Error", "Couldn't read file \"tex/a.tga\"."}),
    [](const auto& info) { return info.param.name; });

TEST(Tga, HeaderCutShortStopsTheLoadingWithAnErrorNamingTheFile) {
    const Decoded decoded = decodeTgaBytes("tex/a.tga", ByteVector(17, 0));
    ASSERT_TRUE(std::holds_alternative<LoadError>(decoded));
    EXPECT_NE(std::get<LoadError>(decoded).message.find("tex/a.tga"), std::string::npos);
}

TEST(Tga, MissingFileIsReportedWithTwoBlanksBeforeTheDash) {
    const Decoded decoded = decodeTga("/nonexistent/vexlin/a.tga");
    ASSERT_TRUE(std::holds_alternative<TextureMessage>(decoded));
    EXPECT_EQ(std::get<TextureMessage>(decoded).caption, "TGA Texture");
    EXPECT_EQ(std::get<TextureMessage>(decoded).text, "File not found  - /nonexistent/vexlin/a.tga");
}

TEST(Bmp, MissingFileIsReportedByName) {
    const Decoded decoded = decodeBmp("/nonexistent/vexlin/a.bmp");
    ASSERT_TRUE(std::holds_alternative<TextureMessage>(decoded));
    EXPECT_EQ(std::get<TextureMessage>(decoded).text, "Error opening /nonexistent/vexlin/a.bmp");
}

// --- JPEG ------------------------------------------------------------------------------------------------

// A 16 × 16 picture whose top half is red and bottom half blue.
ByteVector redOverBlueJpeg(bool progressive = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    std::uint8_t row[16 * 3];
    while (info.next_scanline < 16) {
        const bool top = info.next_scanline < 8;
        for (int x = 0; x < 16; ++x) {
            row[x * 3] = top ? 255 : 0;
            row[x * 3 + 1] = 0;
            row[x * 3 + 2] = top ? 0 : 255;
        }
        JSAMPROW rows = row;
        jpeg_write_scanlines(&info, &rows, 1);
    }
    jpeg_finish_compress(&info);
    ByteVector bytes(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return bytes;
}

TEST(Jpeg, FirstBufferRowIsThePicturesBottomAndAlphaIsOpaque) {
    const Decoded decoded = decodeJpegBytes("tex/a.jpg", redOverBlueJpeg());
    ASSERT_TRUE(std::holds_alternative<PixelImage>(decoded));
    const PixelImage& image = std::get<PixelImage>(decoded);
    ASSERT_EQ(image.format, PixelFormat::Rgba);
    ASSERT_EQ(image.pixels.size(), 16u * 16u * 4u);
    const auto pixel = [&](int x, int row) { return image.pixels.data() + (row * 16 + x) * 4; };
    EXPECT_GT(pixel(3, 0)[2], 200); // bottom of the picture: blue
    EXPECT_LT(pixel(3, 0)[0], 60);
    EXPECT_GT(pixel(3, 15)[0], 200); // top: red
    EXPECT_LT(pixel(3, 15)[2], 60);
    for (std::size_t i = 3; i < image.pixels.size(); i += 4) {
        ASSERT_EQ(image.pixels[i], 255) << "pixel " << i / 4;
    }
}

TEST(Jpeg, UndecodableBytesGiveTheLoadMessage) {
    ByteVector garbage = redOverBlueJpeg();
    garbage.resize(20);
    garbage[2] = 0x00; // no marker where one must be
    for (const ByteVector& bytes : {garbage, ByteVector{}, ByteVector(100, 0x42)}) {
        const Decoded decoded = decodeJpegBytes("tex/a.jpg", bytes);
        ASSERT_TRUE(std::holds_alternative<TextureMessage>(decoded));
        EXPECT_EQ(std::get<TextureMessage>(decoded).caption, "BMP Unit");
        EXPECT_EQ(std::get<TextureMessage>(decoded).text, "Couldn't load JPG - \"tex/a.jpg\"");
    }
}

// The picture's header made to claim other sides; the scan data stays that of 16 × 16 pixels, which the
// decoder pads out with a warning.
ByteVector claimingSides(ByteVector bytes, std::uint16_t width, std::uint16_t height) {
    for (std::size_t i = 0; i + 9 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && (bytes[i + 1] == 0xC0 || bytes[i + 1] == 0xC2)) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            return bytes;
        }
    }
    ADD_FAILURE() << "no frame header";
    return bytes;
}

// The last scan of a progressive picture written again and again before its end marker.
ByteVector withRepeatedLastScan(ByteVector bytes, int copies) {
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) {
            lastScan = i;
        }
    }
    const ByteVector scan(bytes.begin() + static_cast<std::ptrdiff_t>(lastScan), bytes.end() - 2);
    for (int c = 0; c < copies; ++c) {
        bytes.insert(bytes.end() - 2, scan.begin(), scan.end());
    }
    return bytes;
}

struct JpegLimitCase {
    std::string name;
    std::function<ByteVector()> bytes;
    std::uint32_t width; // 0: refused with the load message
};

class JpegLimits : public ::testing::TestWithParam<JpegLimitCase> {};

TEST_P(JpegLimits, AreHeldAgainstTheHeaderBeforeDecoding) {
    const Decoded decoded = decodeJpegBytes("tex/a.jpg", GetParam().bytes());
    if (GetParam().width == 0) {
        ASSERT_TRUE(std::holds_alternative<TextureMessage>(decoded));
        EXPECT_EQ(std::get<TextureMessage>(decoded).text, "Couldn't load JPG - \"tex/a.jpg\"");
    } else {
        ASSERT_TRUE(std::holds_alternative<PixelImage>(decoded));
        EXPECT_EQ(std::get<PixelImage>(decoded).width, GetParam().width);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Headers, JpegLimits,
    ::testing::Values(
        JpegLimitCase{"LongestSideTaken", [] { return claimingSides(redOverBlueJpeg(), 8192, 16); }, 8192},
        JpegLimitCase{"SideOneTooLong", [] { return claimingSides(redOverBlueJpeg(), 8193, 16); }, 0},
        JpegLimitCase{"HeightOneTooLong", [] { return claimingSides(redOverBlueJpeg(), 16, 8193); }, 0},
        JpegLimitCase{"SidesTakenButTooManyPixels",
                      [] { return claimingSides(redOverBlueJpeg(), 8192, 513); }, 0},
        // A progressive picture has its whole coefficient buffer allocated when decoding starts: gigabytes
        // for this header, refused before anything is allocated.
        JpegLimitCase{"ProgressiveAtTheLargestSides",
                      [] { return claimingSides(redOverBlueJpeg(true), 65500, 65500); }, 0},
        JpegLimitCase{"ProgressiveWithSomeScansRepeated",
                      [] { return withRepeatedLastScan(redOverBlueJpeg(true), 20); }, 16},
        JpegLimitCase{"ProgressiveWithTooManyScans",
                      [] { return withRepeatedLastScan(redOverBlueJpeg(true), 100); }, 0}),
    [](const auto& info) { return info.param.name; });

// --- dispatch and the texture name
// ---------------------------------------------------------------------------

struct KindCase {
    std::string name;
    std::string file;
    TextureKind kind;
};

class Dispatch : public ::testing::TestWithParam<KindCase> {};

TEST_P(Dispatch, ByTheUpperCasedLastFourCharacters) {
    EXPECT_EQ(textureKindOf(GetParam().file), GetParam().kind);
}

INSTANTIATE_TEST_SUITE_P(Names, Dispatch,
                         ::testing::Values(KindCase{"JpgLower", "a/b.jpg", TextureKind::Jpeg},
                                           KindCase{"JpgUpper", "a/b.JPG", TextureKind::Jpeg},
                                           KindCase{"JpgMixed", "a/b.jPg", TextureKind::Jpeg},
                                           KindCase{"FourLetterJpeg", "a/b.jpeg", TextureKind::None},
                                           KindCase{"Bmp", "b.Bmp", TextureKind::Bmp},
                                           KindCase{"Tga", "b.tga", TextureKind::Tga},
                                           KindCase{"GlowJpg", "railgun2.glow.jpg", TextureKind::Jpeg},
                                           KindCase{"Png", "b.png", TextureKind::None},
                                           KindCase{"ShorterThanFour", "tga", TextureKind::None},
                                           KindCase{"Empty", "", TextureKind::None}),
                         [](const auto& info) { return info.param.name; });

struct CountingMaker final : TextureMaker {
    std::uint32_t make(const PixelImage& image) override {
        made.push_back(image.width);
        return 100 + static_cast<std::uint32_t>(made.size());
    }
    std::vector<std::uint32_t> made;
};

class TextureFiles : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::path(::testing::TempDir()) /
               ("vexlin-textures-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::string write(const std::string& name, const ByteVector& bytes) {
        const auto path = dir_ / name;
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }
    std::filesystem::path dir_;
};

TEST_F(TextureFiles, TextureNameIsWrittenOnlyWhenAPictureWasMade) {
    CountingMaker maker;
    std::vector<TextureMessage> messages;
    std::uint32_t texture = 7;
    EXPECT_FALSE(LoadTextureFile(write("bad.tga", tga({2, 0, 16})), texture, maker, messages));
    EXPECT_EQ(texture, 7u);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_FALSE(LoadTextureFile(write("good.JPG", redOverBlueJpeg()), texture, maker, messages));
    EXPECT_EQ(texture, 101u);
    EXPECT_EQ(maker.made, std::vector<std::uint32_t>{16});
}

TEST_F(TextureFiles, FourLetterJpegExtensionLoadsNothingAndSaysNothing) {
    CountingMaker maker;
    std::vector<TextureMessage> messages;
    std::uint32_t texture = 7;
    EXPECT_FALSE(LoadTextureFile(write("good.jpeg", redOverBlueJpeg()), texture, maker, messages));
    EXPECT_EQ(texture, 7u);
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(maker.made.empty());
}

TEST_F(TextureFiles, ShortTgaHeaderStopsTheLoading) {
    CountingMaker maker;
    std::vector<TextureMessage> messages;
    std::uint32_t texture = 7;
    const auto error = LoadTextureFile(write("short.tga", ByteVector(5, 0)), texture, maker, messages);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("short.tga"), std::string::npos);
    EXPECT_EQ(texture, 7u);
}

TEST_F(TextureFiles, DirectoryInPlaceOfAPictureIsNoCrash) {
    CountingMaker maker;
    std::vector<TextureMessage> messages;
    std::uint32_t texture = 7;
    for (const char* name : {"dir.bmp", "dir.jpg"}) {
        std::filesystem::create_directory(dir_ / name);
        EXPECT_FALSE(LoadTextureFile((dir_ / name).string(), texture, maker, messages));
    }
    EXPECT_EQ(messages.size(), 2u);
    std::filesystem::create_directory(dir_ / "dir.tga");
    const auto error = LoadTextureFile((dir_ / "dir.tga").string(), texture, maker, messages);
    ASSERT_TRUE(error);
    EXPECT_NE(error->message.find("dir.tga"), std::string::npos);
    EXPECT_EQ(texture, 7u);
}

// Damaged pictures decode or are refused, never read outside their bytes (the sanitizer build watches).
TEST(Decoders, RandomlyDamagedPicturesAreDecodedOrRefusedWithinTheirBytes) {
    std::mt19937 random(8122026);
    const ByteVector samples[] = {bmp({5, 3}), tga({2, 0, 32, 0, 3}), redOverBlueJpeg()};
    for (int round = 0; round < 1500; ++round) {
        for (std::size_t kind = 0; kind < std::size(samples); ++kind) {
            ByteVector bytes = samples[kind];
            for (int c = 0; c < 3; ++c) {
                bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            }
            if (round % 4 == 0) {
                bytes.resize(random() % bytes.size());
            }
            const Decoded decoded = kind == 0   ? decodeBmpBytes("f.bmp", bytes)
                                    : kind == 1 ? decodeTgaBytes("f.tga", bytes)
                                                : decodeJpegBytes("f.jpg", bytes);
            if (const auto* image = std::get_if<PixelImage>(&decoded)) {
                const std::size_t bytesPerPixel = image->format == PixelFormat::Rgb ? 3 : 4;
                ASSERT_EQ(image->pixels.size(), std::size_t{image->width} * image->height * bytesPerPixel);
            }
        }
    }
}

TEST(SwapRedBlue, SwapsFirstAndThirdByteOfEachPixelOnly) {
    std::uint8_t pixels[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    SwapRedBlue(pixels, 2);
    const std::uint8_t expected[] = {3, 2, 1, 6, 5, 4, 7, 8, 9};
    EXPECT_TRUE(std::equal(std::begin(pixels), std::end(pixels), std::begin(expected)));
}

} // namespace
} // namespace vexlin::gfx
