#include "platform/RundownStorage.h"
#include "platform/linux/SysfsReader.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace vexlin::platform {
namespace {

namespace fs = std::filesystem;

std::int64_t nanoseconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

std::string failure(const std::string& what, const fs::path& where, int error) {
    return what + " " + where.string() + ": " + std::strerror(error);
}

} // namespace

ClockReading readClocks() {
    ClockReading reading;
    reading.boottimeNs = nanoseconds(CLOCK_BOOTTIME);
    reading.monotonicNs = nanoseconds(CLOCK_MONOTONIC);
    reading.wallMs = nanoseconds(CLOCK_REALTIME) / 1'000'000;
    return reading;
}

std::string readBootId(const fs::path& root) {
    const auto line =
        linux_impl::readFirstLine(linux_impl::rootedPath(root, "/proc/sys/kernel/random/boot_id"));
    return line.value_or("");
}

fs::path rundownDirectory() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
        return fs::path(state) / "vexlin";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        return fs::path(home) / ".local/state/vexlin";
    }
    return {};
}

std::string makePrivateDirectory(const fs::path& folder) {
    if (folder.empty()) {
        return "Не удалось найти папку для журнала разрядного теста: не заданы ни XDG_STATE_HOME, ни HOME";
    }
    fs::path made;
    for (const auto& part : folder) {
        made /= part;
        if (::mkdir(made.c_str(), 0700) != 0 && errno != EEXIST) {
            return failure("Не удалось создать папку", made, errno);
        }
    }
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        return "Не удалось создать папку " + folder.string() + ": на её месте файл";
    }
    return {};
}

std::vector<fs::path> rundownJournals(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        const auto name = it->path().filename().string();
        if (name.rfind("rundown-", 0) == 0 && it->path().extension() == ".journal" &&
            it->is_regular_file(error)) {
            found.push_back(it->path());
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

std::vector<fs::path> pruneRundownJournals(const fs::path& folder, std::size_t keep) {
    auto journals = rundownJournals(folder);
    if (journals.size() <= keep) {
        return {};
    }
    journals.resize(journals.size() - keep);
    std::vector<fs::path> removed;
    for (const auto& journal : journals) {
        std::error_code error;
        if (fs::remove(journal, error)) {
            removed.push_back(journal);
            auto mark = journal;
            mark += ".shown";
            fs::remove(mark, error);
        }
    }
    return removed;
}

std::optional<std::string> readWholeFile(const fs::path& file, std::size_t maxBytes) {
    std::error_code error;
    const auto size = fs::file_size(file, error);
    if (error || size > maxBytes) {
        return std::nullopt;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

AppendOnlyFile::~AppendOnlyFile() {
    close();
}

std::string AppendOnlyFile::create(const fs::path& file) {
    close();
    fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        return failure("Не удалось создать журнал", file, errno);
    }
    path_ = file;
    return {};
}

std::string AppendOnlyFile::append(const std::string& line) {
    if (fd_ < 0) {
        return "Журнал не открыт";
    }
    std::size_t done = 0;
    while (done < line.size()) {
        const auto written = ::write(fd_, line.data() + done, line.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return failure("Не удалось дописать журнал", path_, errno);
        }
        done += static_cast<std::size_t>(written);
    }
    if (::fdatasync(fd_) != 0) {
        return failure("Не удалось сохранить журнал на диск", path_, errno);
    }
    return {};
}

void AppendOnlyFile::close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace vexlin::platform
