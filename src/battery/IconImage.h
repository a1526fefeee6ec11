#pragma once

#include <array>
#include <cstdint>
#include <vector>

// The tray picture from the drawn text to an icon image, without any drawing library:
//
//   16×16 RGB drawing --convertDib--> 32×32, 4 bits a pixel, 16-colour default palette
//                     --buildIconImage--> one 744-byte icon image
//                     --wrapInIcoDirectory--> an .ico file that any icon reader takes
//
// Icon image layout (little-endian, rows bottom-up as in every device-independent bitmap):
//
//   offset  size  field
//        0    40  header: size 40, width 32, height 64 (colour rows + mask rows), planes 1, bits 4,
//                 compression 0, image size 512, resolution 0/0, colours used 16, important 0
//       40    64  colour table: 16 × (blue, green, red, 0)
//      104   512  colour rows: 32 rows × 16 bytes, two pixels a byte, left pixel in the high nibble
//      616   128  mask rows: 32 rows × 4 bytes, all zero (every pixel opaque)
namespace vexlin::battery {

struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A picture as drawn: rows top to bottom, left to right.
struct RgbPicture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

using Palette16 = std::array<Rgb, 16>;

// The 16 colours of the system's default palette in their usual order (black, the eight dark colours,
// light grey, grey, then the bright ones).
const Palette16& defaultPalette();

// The palette entry closest to a colour (squared distance; the lower index wins a tie).
int nearestPaletteIndex(const Palette16& palette, Rgb colour);

// Bytes of one row of a device-independent bitmap: whole 32-bit words.
int bytesPerScanline(int width, int bitsPerPixel);

// A 4-bit device-independent picture: rows bottom-up, two pixels a byte, left pixel in the high nibble.
struct Dib4 {
    int width = 0;
    int height = 0;
    Palette16 palette{};
    std::vector<std::uint8_t> rows;

    // Palette index of a pixel, with y counted from the top as in the drawing.
    int index(int x, int y) const;
};

// Scales a drawing to width × height by repeating or deleting whole rows and columns (no blending, so
// no colour appears that the drawing does not hold) and maps each pixel to the nearest default colour.
// Throws std::invalid_argument for an empty or inconsistent picture or a non-positive size.
Dib4 convertDib(const RgbPicture& source, int width, int height);

// Header + colour table + colour rows + an all-zero mask (see the table above).
std::vector<std::uint8_t> buildIconImage(const Dib4& dib);

// An .ico file holding the one image.
std::vector<std::uint8_t> wrapInIcoDirectory(const std::vector<std::uint8_t>& image, int width, int height);

constexpr int kTextPictureSize = 16;
constexpr int kTrayIconSize = 32;

// The whole chain for the tray: a 16×16 drawing in, an .ico file of one 32×32 4-bit image out.
std::vector<std::uint8_t> trayIconFile(const RgbPicture& drawing);

} // namespace vexlin::battery
