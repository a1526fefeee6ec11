#pragma once

#include "gfx/LoadResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// Texture files turned into pixel buffers, and pixel buffers into textures.
//
// BMP, as read here (little-endian):
//   0  char[2] "BM" (not checked)      14 uint32 info-header size   18 int32 width   22 int32 height
//   28 uint16 bits per pixel (24)      30 uint32 compression (0)    34 uint32 image size (0 = computed)
//   46 uint32 colours used: that many BYTES follow the 54-byte headers and are skipped; pixel rows follow
//   them, bottom row first, blue-green-red, each row padded to a multiple of four bytes.
// TGA (little-endian):
//   0 uint8 image-ID length   1 uint8 colour-map type (0)   2 uint8 image type (2 = uncompressed true colour)
//   12 uint16 width   14 uint16 height   16 uint8 bits per pixel (24 or 32)   17 uint8 descriptor (bit 5 set:
//   top row first).  The image ID follows the 18-byte header, then the blue-green-red(-alpha) pixels.
namespace vexlin::gfx {

enum class TextureKind { None, Bmp, Jpeg, Tga };

// What a decoder hands back: nothing (an ending no loader takes), a picture, a message to show (the load
// ends, the caller's texture stays as it was) or an error that stops the loading of the scene.
using Decoded = std::variant<std::monostate, PixelImage, TextureMessage, LoadError>;

// The loader for a file name, chosen by its upper-cased last four characters.
TextureKind textureKindOf(std::string_view fileName);

// The whole file, or nothing when it cannot be opened.
std::optional<std::vector<std::uint8_t>> readFileBytes(const std::string& fileName);

Decoded decodeBmp(const std::string& fileName);
Decoded decodeJpeg(const std::string& fileName);
Decoded decodeTga(const std::string& fileName);
Decoded decodeTextureFile(const std::string& fileName);

// The decoders behind the file versions; fileName only names the file in messages.
Decoded decodeBmpBytes(const std::string& fileName, std::span<const std::uint8_t> bytes);
Decoded decodeJpegBytes(const std::string& fileName, std::span<const std::uint8_t> bytes);
Decoded decodeTgaBytes(const std::string& fileName, std::span<const std::uint8_t> bytes);

// Swaps the first and third byte of count consecutive three-byte pixels.
void SwapRedBlue(std::uint8_t* pixels, std::size_t count);

// Decodes the file and makes its texture.  texture is written only when a picture was made; messages collects
// what the user is shown; the result is an error that stops the loading.
std::optional<LoadError> LoadTextureFile(const std::string& fileName, std::uint32_t& texture,
                                         TextureMaker& maker, std::vector<TextureMessage>& messages);

} // namespace vexlin::gfx
