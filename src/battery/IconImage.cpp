#include "battery/IconImage.h"

#include <limits>
#include <stdexcept>
#include <string>

namespace vexlin::battery {
namespace {

constexpr int kHeaderSize = 40;
constexpr int kColourBits = 4;

void put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
    }
}

int squaredDistance(Rgb a, Rgb b) {
    const int dr = a.r - b.r;
    const int dg = a.g - b.g;
    const int db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

} // namespace

const Palette16& defaultPalette() {
    static const Palette16 kPalette = {{
        {0, 0, 0},
        {128, 0, 0},
        {0, 128, 0},
        {128, 128, 0},
        {0, 0, 128},
        {128, 0, 128},
        {0, 128, 128},
        {192, 192, 192},
        {128, 128, 128},
        {255, 0, 0},
        {0, 255, 0},
        {255, 255, 0},
        {0, 0, 255},
        {255, 0, 255},
        {0, 255, 255},
        {255, 255, 255},
    }};
    return kPalette;
}

int nearestPaletteIndex(const Palette16& palette, Rgb colour) {
    int best = 0;
    int bestDistance = std::numeric_limits<int>::max();
    for (int i = 0; i < static_cast<int>(palette.size()); ++i) {
        const int distance = squaredDistance(palette[static_cast<std::size_t>(i)], colour);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

int bytesPerScanline(int width, int bitsPerPixel) {
    return (width * bitsPerPixel + 31) / 32 * 4;
}

int Dib4::index(int x, int y) const {
    const int stride = bytesPerScanline(width, kColourBits);
    const std::uint8_t byte = rows[static_cast<std::size_t>((height - 1 - y) * stride + x / 2)];
    return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

Dib4 convertDib(const RgbPicture& source, int width, int height) {
    constexpr int kLargest = 4096;
    if (source.width <= 0 || source.height <= 0 || source.width > kLargest || source.height > kLargest ||
        source.pixels.size() !=
            static_cast<std::size_t>(source.width) * static_cast<std::size_t>(source.height)) {
        throw std::invalid_argument("icon drawing of " + std::to_string(source.width) + "×" +
                                    std::to_string(source.height) + " pixels holds " +
                                    std::to_string(source.pixels.size()) + " pixels");
    }
    if (width <= 0 || height <= 0 || width > kLargest || height > kLargest) {
        throw std::invalid_argument("icon size " + std::to_string(width) + "×" + std::to_string(height) +
                                    " is out of range");
    }
    Dib4 dib;
    dib.width = width;
    dib.height = height;
    dib.palette = defaultPalette();
    const int stride = bytesPerScanline(width, kColourBits);
    dib.rows.assign(static_cast<std::size_t>(stride * height), 0);
    for (int y = 0; y < height; ++y) {
        const int sy = y * source.height / height;
        std::uint8_t* row = &dib.rows[static_cast<std::size_t>((height - 1 - y) * stride)];
        for (int x = 0; x < width; ++x) {
            const int sx = x * source.width / width;
            const auto index = static_cast<std::uint8_t>(nearestPaletteIndex(dib.palette, source.at(sx, sy)));
            row[x / 2] |= x % 2 == 0 ? static_cast<std::uint8_t>(index << 4) : index;
        }
    }
    return dib;
}

std::vector<std::uint8_t> buildIconImage(const Dib4& dib) {
    const int colourStride = bytesPerScanline(dib.width, kColourBits);
    const int maskStride = bytesPerScanline(dib.width, 1);
    const auto colourBytes = static_cast<std::uint32_t>(colourStride * dib.height);
    if (dib.rows.size() != colourBytes) {
        throw std::invalid_argument("4-bit picture of " + std::to_string(dib.width) + "×" +
                                    std::to_string(dib.height) + " pixels holds " +
                                    std::to_string(dib.rows.size()) + " bytes");
    }
    std::vector<std::uint8_t> image;
    image.reserve(kHeaderSize + dib.palette.size() * 4 + colourBytes +
                  static_cast<std::size_t>(maskStride) * dib.height);
    put32(image, kHeaderSize);
    put32(image, static_cast<std::uint32_t>(dib.width));
    put32(image, static_cast<std::uint32_t>(dib.height * 2)); // the colour rows and the mask rows
    put16(image, 1);
    put16(image, kColourBits);
    put32(image, 0); // uncompressed
    put32(image, colourBytes);
    put32(image, 0);
    put32(image, 0);
    put32(image, static_cast<std::uint32_t>(dib.palette.size()));
    put32(image, 0);
    for (const Rgb& colour : dib.palette) {
        image.push_back(colour.b);
        image.push_back(colour.g);
        image.push_back(colour.r);
        image.push_back(0);
    }
    image.insert(image.end(), dib.rows.begin(), dib.rows.end());
    // An all-zero mask: the square is opaque, blue behind the text.
    image.insert(image.end(), static_cast<std::size_t>(maskStride * dib.height), 0);
    return image;
}

std::vector<std::uint8_t> wrapInIcoDirectory(const std::vector<std::uint8_t>& image, int width, int height) {
    constexpr std::uint32_t kDirectorySize = 6 + 16;
    std::vector<std::uint8_t> file;
    file.reserve(kDirectorySize + image.size());
    put16(file, 0); // reserved
    put16(file, 1); // icons
    put16(file, 1); // one image
    // A size of 256 is written as 0 in the one-byte fields.
    file.push_back(static_cast<std::uint8_t>(width & 0xFF));
    file.push_back(static_cast<std::uint8_t>(height & 0xFF));
    file.push_back(16); // colours
    file.push_back(0);
    put16(file, 1);           // planes
    put16(file, kColourBits); // bits a pixel
    put32(file, static_cast<std::uint32_t>(image.size()));
    put32(file, kDirectorySize);
    file.insert(file.end(), image.begin(), image.end());
    return file;
}

std::vector<std::uint8_t> trayIconFile(const RgbPicture& drawing) {
    return wrapInIcoDirectory(buildIconImage(convertDib(drawing, kTrayIconSize, kTrayIconSize)),
                              kTrayIconSize, kTrayIconSize);
}

} // namespace vexlin::battery
