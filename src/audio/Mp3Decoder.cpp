#include "audio/Mp3Decoder.h"

#include <cstring>
#include <memory>
#include <mpg123.h>
#include <system_error>

namespace vexlin::audio {
namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* handle) const {
        mpg123_close(handle);
        mpg123_delete(handle);
    }
};
using Handle = std::unique_ptr<mpg123_handle, HandleDeleter>;

DecodeResult failure(std::string message) {
    DecodeResult result;
    result.error = std::move(message);
    return result;
}

// Every rate the library can produce, always as signed 16-bit stereo.
bool restrictOutputFormat(mpg123_handle* handle) {
    // Added to the default flags, which keep gapless decoding: the encoder's padding is cut off, so the tune
    // loops without a gap.
    if (mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_FORCE_STEREO | MPG123_QUIET, 0.0) != MPG123_OK ||
        mpg123_format_none(handle) != MPG123_OK) {
        return false;
    }
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    for (std::size_t i = 0; i < count; ++i) {
        if (mpg123_format(handle, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16) != MPG123_OK) {
            return false;
        }
    }
    return true;
}

} // namespace

DecodeResult decodeMp3File(const std::filesystem::path& path) {
    const std::string name = path.string();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        return failure("Файл музыки не найден: " + name);
    }

    int error = MPG123_OK;
    Handle handle(mpg123_new(nullptr, &error));
    if (!handle || !restrictOutputFormat(handle.get())) {
        return failure("Не удалось подготовить декодер MP3 для файла " + name);
    }
    if (mpg123_open(handle.get(), name.c_str()) != MPG123_OK) {
        return failure("Не удалось открыть файл музыки " + name + ": " + mpg123_strerror(handle.get()));
    }

    DecodeResult result;
    std::vector<unsigned char> chunk(16384);
    for (;;) {
        std::size_t done = 0;
        const int status = mpg123_read(handle.get(), chunk.data(), chunk.size(), &done);
        if (status == MPG123_NEW_FORMAT) {
            long rate = 0;
            int channels = 0;
            int encoding = 0;
            mpg123_getformat(handle.get(), &rate, &channels, &encoding);
            if (result.pcm.rate != 0 && result.pcm.rate != rate) {
                return failure("Частота дискретизации меняется внутри файла музыки " + name);
            }
            result.pcm.rate = static_cast<int>(rate);
        }
        if (done > 0) {
            const std::size_t samples = done / sizeof(std::int16_t);
            const std::size_t old = result.pcm.samples.size();
            result.pcm.samples.resize(old + samples);
            std::memcpy(result.pcm.samples.data() + old, chunk.data(), samples * sizeof(std::int16_t));
            const auto limit = static_cast<std::size_t>(kMaxDecodedSeconds) * 2 * 48000;
            if (result.pcm.samples.size() > limit) {
                return failure("Файл музыки слишком длинный: " + name);
            }
        }
        if (status == MPG123_DONE) {
            break;
        }
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) {
            return failure("Файл музыки повреждён или не является MP3: " + name + " (" +
                           mpg123_strerror(handle.get()) + ")");
        }
    }
    // An odd trailing sample cannot belong to a whole frame.
    result.pcm.samples.resize(result.pcm.frames() * 2);
    if (result.pcm.rate <= 0 || result.pcm.samples.empty()) {
        return failure("В файле музыки нет звука MP3: " + name);
    }
    return result;
}

} // namespace vexlin::audio
