#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace vexlin::gfx {

// Writes the little-endian fields of the model files byte by byte, whatever the machine's own order: the
// model generator writes the shipped data with it, and the tests build their files with it.
class LittleEndianWriter {
public:
    void i32(std::int32_t v) {
        for (int i = 0; i < 4; ++i) {
            data_.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i)));
        }
    }
    void i16(std::int16_t v) {
        data_.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v)));
        data_.push_back(static_cast<std::uint8_t>(static_cast<std::uint16_t>(v) >> 8));
    }
    void u8(std::uint8_t v) { data_.push_back(v); }
    void f32(float v) {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        i32(static_cast<std::int32_t>(bits));
    }
    // A fixed-width character field, padded with zero bytes and cut at its width.
    void text(const std::string& s, std::size_t width) {
        for (std::size_t i = 0; i < width; ++i) {
            data_.push_back(i < s.size() ? static_cast<std::uint8_t>(s[i]) : 0);
        }
    }
    void zeros(std::size_t n) { data_.insert(data_.end(), n, 0); }
    void append(const LittleEndianWriter& other) {
        data_.insert(data_.end(), other.data_.begin(), other.data_.end());
    }
    // Overwrites a 32-bit field already written.
    void patch(std::size_t at, std::int32_t v) {
        for (std::size_t i = 0; i < 4; ++i) {
            data_.at(at + i) = static_cast<std::uint8_t>(static_cast<std::uint32_t>(v) >> (8 * i));
        }
    }

    std::size_t size() const { return data_.size(); }
    const std::vector<std::uint8_t>& data() const { return data_; }
    std::vector<std::uint8_t>& data() { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

} // namespace vexlin::gfx
