#include "Harness.h"

#include <array>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <system_error>

namespace vexlin::fuzz {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;

std::uint64_t fileSized(std::size_t size) {
    return 2 * std::uint64_t{size} + kMiB;
}
// Model records hold their fields in structures a little larger than the file's records, and a surface's
// pieces may overlap one another inside the surface.
std::uint64_t modelSized(std::size_t size) {
    return 8 * std::uint64_t{size} + kMiB;
}
// A JPEG header of a few bytes may describe the largest picture the loader takes: 4 Mi pixels, kept as
// red-green-blue rows while decoding and red-green-blue-alpha afterwards.
std::uint64_t pictureCeiling(std::size_t size) {
    return 4 * kMiB * 7 + fileSized(size);
}
// An MP3 frame of 24 bytes gives at most 1152 stereo samples; nothing longer than the player's 15 minutes.
std::uint64_t musicSized(std::size_t size) {
    return std::min<std::uint64_t>(std::uint64_t{size} * 1152 * 4 / 24 + kMiB, 15ull * 60 * 48000 * 4 + kMiB);
}

// A journal line of a few bytes becomes a reading record of a hundred.
std::uint64_t journalSized(std::size_t size) {
    return 5 * std::uint64_t{size} + kMiB;
}

const std::array<Target, 11> kTargets{{
    {"bmp", runBmp, fileSized},
    {"tga", runTga, fileSized},
    {"jpeg", runJpeg, pictureCeiling},
    {"md3", runMd3, modelSized},
    {"skin", runSkin, fileSized},
    {"animation", runAnimation, fileSized},
    {"character", runCharacter, modelSized},
    {"mp3", runMp3, musicSized},
    {"linux", runLinuxSources, fileSized},
    {"rundown", runRundown, journalSized},
    {"readings", runReadings, fileSized, true},
}};

struct Scratch {
    std::filesystem::path path;
    Scratch() {
        // In memory where there is a tmpfs: a machine of a hundred files rewritten for each input is slow on
        // a disk's file system, and the fuzzer's speed is its reach.
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path(error);
        std::string pattern = (base / "vexlin-fuzz-XXXXXX").string();
        if (error || ::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a scratch directory");
        }
        path = pattern;
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

Scratch& scratch() {
    static Scratch instance;
    return instance;
}

} // namespace

std::span<const Target> targets() {
    return kTargets;
}

const Target* findTarget(std::string_view name) {
    for (const Target& target : kTargets) {
        if (target.name == name) {
            return &target;
        }
    }
    return nullptr;
}

std::vector<std::string_view> splitFiles(std::span<const std::uint8_t> input, std::size_t count) {
    std::string_view rest(reinterpret_cast<const char*>(input.data()), input.size());
    std::vector<std::string_view> files;
    while (files.size() + 1 < count) {
        const std::size_t mark = rest.find(kFileMark);
        if (mark == std::string_view::npos) {
            break;
        }
        files.push_back(rest.substr(0, mark));
        rest.remove_prefix(mark + kFileMark.size());
    }
    files.push_back(rest);
    files.resize(count);
    return files;
}

const std::filesystem::path& scratchRoot() {
    return scratch().path;
}

void clearScratch() {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(scratchRoot(), ignored)) {
        std::filesystem::remove_all(entry.path(), ignored);
    }
}

void writeFile(const std::filesystem::path& relative, std::string_view content) {
    const auto path = scratchRoot() / relative;
    std::error_code ignored;
    std::filesystem::create_directories(path.parent_path(), ignored);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
}

} // namespace vexlin::fuzz
