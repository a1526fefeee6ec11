#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace vexlin::gfx {

// Little-endian fields at absolute offsets of a byte buffer.  Callers ask contains() for a whole record
// before reading its fields, so the readers themselves only assert nothing.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::size_t size() const { return bytes_.size(); }

    // True when count × recordSize bytes starting at offset lie inside the buffer.  Offsets and counts come
    // from the file, so negative values and overflowing products are answered with false.
    bool contains(std::int64_t offset, std::int64_t count, std::int64_t recordSize = 1) const {
        if (offset < 0 || count < 0 || recordSize < 0) {
            return false;
        }
        const auto total = static_cast<std::uint64_t>(bytes_.size());
        if (static_cast<std::uint64_t>(offset) > total) {
            return false;
        }
        if (recordSize != 0 &&
            static_cast<std::uint64_t>(count) > total / static_cast<std::uint64_t>(recordSize)) {
            return false;
        }
        return static_cast<std::uint64_t>(count) * static_cast<std::uint64_t>(recordSize) <=
               total - static_cast<std::uint64_t>(offset);
    }

    std::uint8_t u8(std::size_t at) const { return bytes_[at]; }
    std::uint16_t u16(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
    }
    std::int16_t i16(std::size_t at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint32_t u32(std::size_t at) const {
        return static_cast<std::uint32_t>(bytes_[at]) | (static_cast<std::uint32_t>(bytes_[at + 1]) << 8) |
               (static_cast<std::uint32_t>(bytes_[at + 2]) << 16) |
               (static_cast<std::uint32_t>(bytes_[at + 3]) << 24);
    }
    std::int32_t i32(std::size_t at) const { return static_cast<std::int32_t>(u32(at)); }
    float f32(std::size_t at) const {
        const std::uint32_t bits = u32(at);
        float value;
        std::memcpy(&value, &bits, sizeof value);
        return value;
    }
    void chars(std::size_t at, char* out, std::size_t count) const {
        std::memcpy(out, bytes_.data() + at, count);
    }
    const std::uint8_t* data(std::size_t at) const { return bytes_.data() + at; }
    // The count bytes from offset on; the caller has asked contains() first.
    std::span<const std::uint8_t> span(std::size_t offset, std::size_t count) const {
        return bytes_.subspan(offset, count);
    }

private:
    std::span<const std::uint8_t> bytes_;
};

} // namespace vexlin::gfx
