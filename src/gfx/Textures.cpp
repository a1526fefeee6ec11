#include "gfx/Textures.h"

#include "gfx/ByteReader.h"
#include "platform/CaseInsensitivePath.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <jpeglib.h>

namespace vexlin::gfx {
namespace {

constexpr const char* kBmpCaption = "BMP Unit";
constexpr const char* kTgaCaption = "TGA Texture";
constexpr const char* kTgaErrorCaption = "TGA File Error";

// OpenGL takes the sides as 16-bit values, and nothing larger is a texture any card draws.
constexpr std::uint32_t kMaxSide = 65535;
// A JPEG header may promise up to 65500 × 65500 pixels from a few bytes, and a progressive picture has its
// whole coefficient buffer allocated before the first row comes out; so the sides are held against these
// limits as soon as the header is read, and the decoder's own memory is capped as well.  No texture of a
// model comes near them.
constexpr std::uint32_t kMaxJpegSide = 8192;
constexpr std::uint64_t kMaxJpegPixels = 4ull * 1024 * 1024; // 16 MiB as red-green-blue-alpha
constexpr long kJpegDecoderMemory = 256l * 1024 * 1024;
// Every scan of a progressive picture passes over the whole coefficient buffer; encoders write about ten.
constexpr int kMaxJpegScans = 100;

std::string upperLastFour(std::string_view name) {
    std::string tail(name.substr(name.size() >= 4 ? name.size() - 4 : 0));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    return tail;
}

TextureMessage bmpMessage(std::string text) {
    return {kBmpCaption, std::move(text)};
}
TextureMessage tgaError(std::string text) {
    return {kTgaErrorCaption, std::move(text)};
}

} // namespace

TextureKind textureKindOf(std::string_view fileName) {
    const std::string tail = upperLastFour(fileName);
    if (tail == ".BMP") {
        return TextureKind::Bmp;
    }
    if (tail == ".JPG") {
        return TextureKind::Jpeg;
    }
    if (tail == ".TGA") {
        return TextureKind::Tga;
    }
    return TextureKind::None;
}

std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& fileName) {
    // A directory opens like a file, and reading it through a stream buffer throws instead of failing.
    std::error_code error;
    if (!std::filesystem::is_regular_file(fileName, error)) {
        return std::nullopt;
    }
    std::ifstream in(fileName, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

void SwapRedBlue(std::uint8_t* pixels, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::swap(pixels[i * 3], pixels[i * 3 + 2]);
    }
}

// --- BMP ---------------------------------------------------------------------------------------------------

Decoded decodeBmpBytes(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    constexpr std::size_t kHeaders = 54;
    if (!in.contains(0, kHeaders)) {
        return bmpMessage("Error reading bitmap header of " + fileName);
    }
    const std::int32_t width = in.i32(18);
    const std::int32_t height = in.i32(22);
    const std::uint16_t bits = in.u16(28);
    const std::uint32_t compression = in.u32(30);
    const std::uint32_t imageSize = in.u32(34);
    const std::uint32_t paletteBytes = in.u32(46);
    // Only the form every texture of ours has: uncompressed, 24-bit, rows from the bottom up.
    if (bits != 24 || compression != 0 || width <= 0 || height <= 0 ||
        static_cast<std::uint32_t>(width) > kMaxSide || static_cast<std::uint32_t>(height) > kMaxSide) {
        return bmpMessage("Couldn't load \"" + fileName +
                          "\". Only uncompressed bottom-up 24-bit BMP files supported.");
    }
    if (!in.contains(kHeaders, paletteBytes)) {
        return bmpMessage("Error reading palette");
    }
    const std::uint64_t dataStart = kHeaders + std::uint64_t{paletteBytes};
    const std::uint64_t rowBytes = std::uint64_t(width) * 3;
    const std::uint64_t stride = (rowBytes + 3) / 4 * 4;
    const std::uint64_t needed = std::max<std::uint64_t>(stride * std::uint64_t(height), imageSize);
    if (!in.contains(static_cast<std::int64_t>(dataStart), static_cast<std::int64_t>(needed))) {
        return bmpMessage("Error reading bitmap data");
    }
    PixelImage image;
    image.width = static_cast<std::uint32_t>(width);
    image.height = static_cast<std::uint32_t>(height);
    image.format = PixelFormat::Rgb;
    image.pixels.resize(rowBytes * std::uint64_t(height));
    // Rows are padded in the file and packed in the buffer, so each row is copied and swapped on its own.
    for (std::uint64_t row = 0; row < std::uint64_t(height); ++row) {
        std::uint8_t* out = image.pixels.data() + row * rowBytes;
        std::copy_n(in.data(dataStart + row * stride), rowBytes, out);
        SwapRedBlue(out, static_cast<std::size_t>(width));
    }
    return image;
}

Decoded decodeBmp(const std::string& fileName) {
    const auto bytes = readFileBytes(fileName);
    if (!bytes) {
        return bmpMessage("Error opening " + fileName);
    }
    return decodeBmpBytes(fileName, *bytes);
}

// --- JPEG --------------------------------------------------------------------------------------------------

namespace {

struct JpegErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

[[noreturn]] void jpegErrorExit(j_common_ptr info) {
    auto* trap = reinterpret_cast<JpegErrorTrap*>(info->err);
    std::longjmp(trap->jump, 1);
}

void jpegQuiet(j_common_ptr, int) {}

void jpegProgress(j_common_ptr common) {
    const auto* info = reinterpret_cast<j_decompress_ptr>(common);
    if (info->input_scan_number > kMaxJpegScans) {
        jpegErrorExit(common);
    }
}

// Decodes into out as red-green-blue rows, top row first.  Kept free of objects with destructors between
// setjmp and the decoder's calls, since an error comes back by longjmp.
bool decodeJpegRows(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out, std::uint32_t& width,
                    std::uint32_t& height) {
    jpeg_decompress_struct info{};
    JpegErrorTrap trap{};
    jpeg_progress_mgr progress{};
    progress.progress_monitor = jpegProgress;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jpegErrorExit;
    trap.manager.emit_message = jpegQuiet;
    if (setjmp(trap.jump) != 0) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = kJpegDecoderMemory;
    info.progress = &progress;
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    if (info.image_width > kMaxJpegSide || info.image_height > kMaxJpegSide ||
        std::uint64_t{info.image_width} * info.image_height > kMaxJpegPixels) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB; // grey pictures are widened; CMYK ones fail here
    jpeg_start_decompress(&info);
    if (info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    width = info.output_width;
    height = info.output_height;
    out.resize(std::size_t{width} * height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.data() + std::size_t{info.output_scanline} * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

} // namespace

Decoded decodeJpegBytes(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> rgb;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    if (bytes.empty() || !decodeJpegRows(bytes, rgb, width, height) || width == 0 || height == 0) {
        return bmpMessage("Couldn't load JPG - \"" + fileName + "\"");
    }
    PixelImage image;
    image.width = width;
    image.height = height;
    image.format = PixelFormat::Rgba;
    image.pixels.resize(std::size_t{width} * height * 4);
    // Turned upside down: the buffer's first row is the texture's t = 0, the picture's bottom row.
    for (std::uint32_t r = 0; r < height; ++r) {
        const std::uint8_t* in = rgb.data() + std::size_t{height - r - 1} * width * 3;
        std::uint8_t* out = image.pixels.data() + std::size_t{r} * width * 4;
        for (std::uint32_t x = 0; x < width; ++x) {
            out[x * 4] = in[x * 3];
            out[x * 4 + 1] = in[x * 3 + 1];
            out[x * 4 + 2] = in[x * 3 + 2];
            out[x * 4 + 3] = 255;
        }
    }
    return image;
}

Decoded decodeJpeg(const std::string& fileName) {
    const auto bytes = readFileBytes(fileName);
    if (!bytes) {
        return bmpMessage("Couldn't load JPG - \"" + fileName + "\"");
    }
    return decodeJpegBytes(fileName, *bytes);
}

// --- TGA ---------------------------------------------------------------------------------------------------

Decoded decodeTgaBytes(const std::string& fileName, std::span<const std::uint8_t> bytes) {
    const ByteReader in(bytes);
    constexpr std::size_t kHeader = 18;
    if (!in.contains(0, kHeader)) {
        return LoadError{"Файл текстуры \"" + fileName + "\" короче заголовка TGA (" +
                         std::to_string(bytes.size()) + " из 18 байт)"};
    }
    const std::uint8_t idLength = in.u8(0);
    const std::uint8_t colourMapType = in.u8(1);
    const std::uint8_t imageType = in.u8(2);
    const std::uint16_t width = in.u16(12);
    const std::uint16_t height = in.u16(14);
    const std::uint8_t bits = in.u8(16);
    const bool topRowFirst = (in.u8(17) & 0x20) != 0;
    const std::string quoted = "Couldn't load \"" + fileName + "\".";
    if (imageType != 2) {
        return tgaError(quoted + " Compressed TGA files not supported.");
    }
    if (colourMapType != 0) {
        return tgaError(quoted + " Colormapped TGA files not supported.");
    }
    if (bits < 24) {
        return tgaError(quoted + " Only 24 bit TGA files supported.");
    }
    if (bits != 24 && bits != 32) {
        return tgaError(quoted + " Only 24 and 32 bit TGA files supported.");
    }
    const std::size_t pixelBytes = bits / 8;
    const std::size_t rowBytes = std::size_t{width} * pixelBytes;
    const std::size_t dataStart = kHeader + idLength;
    if (width == 0 || height == 0 || !in.contains(dataStart, height, static_cast<std::int64_t>(rowBytes))) {
        return tgaError("Couldn't read file \"" + fileName + "\".");
    }
    PixelImage image;
    image.width = width;
    image.height = height;
    image.format = bits == 24 ? PixelFormat::Rgb : PixelFormat::Rgba;
    image.pixels.resize(rowBytes * height);
    for (std::size_t row = 0; row < height; ++row) {
        const std::size_t from = topRowFirst ? height - 1 - row : row;
        std::copy_n(in.data(dataStart + from * rowBytes), rowBytes, image.pixels.data() + row * rowBytes);
    }
    for (std::size_t i = 0; i + pixelBytes <= image.pixels.size(); i += pixelBytes) {
        std::swap(image.pixels[i], image.pixels[i + 2]);
    }
    return image;
}

Decoded decodeTga(const std::string& fileName) {
    const auto bytes = readFileBytes(fileName);
    if (bytes) {
        return decodeTgaBytes(fileName, *bytes);
    }
    std::error_code error;
    if (std::filesystem::exists(fileName, error)) {
        // There but unreadable: an input/output error, which stops the loading like a cut header does.
        return LoadError{"Не удалось прочитать файл текстуры \"" + fileName + "\""};
    }
    return TextureMessage{kTgaCaption, "File not found  - " + fileName};
}

Decoded decodeTextureFile(const std::string& fileName) {
    switch (textureKindOf(fileName)) {
    case TextureKind::Bmp:
        return decodeBmp(fileName);
    case TextureKind::Jpeg:
        return decodeJpeg(fileName);
    case TextureKind::Tga:
        return decodeTga(fileName);
    case TextureKind::None:
        break;
    }
    return std::monostate{};
}

std::optional<LoadError> LoadTextureFile(const std::string& fileName, std::uint32_t& texture,
                                         TextureMaker& maker, std::vector<TextureMessage>& messages) {
    // Pictures are named by skin files and may differ in case from the files of the pack.
    Decoded decoded = decodeTextureFile(platform::resolveCaseInsensitive(fileName).string());
    if (auto* image = std::get_if<PixelImage>(&decoded)) {
        texture = maker.make(*image);
    } else if (auto* message = std::get_if<TextureMessage>(&decoded)) {
        messages.push_back(std::move(*message));
    } else if (auto* error = std::get_if<LoadError>(&decoded)) {
        return std::move(*error);
    }
    return std::nullopt;
}

} // namespace vexlin::gfx
