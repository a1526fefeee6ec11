#include "platform/NewFiles.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vexlin::platform {

namespace {

namespace fs = std::filesystem;

std::string failure(const fs::path& folder, const std::string& what, int error) {
    return "Не удалось сохранить отчёт в папку " + folder.string() + ": " + what + " (" +
           std::strerror(error) + ")";
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// A temporary file beside the final one, written and flushed; its path, or empty with errno set.
fs::path writeTemporary(const fs::path& folder, const std::string& bytes) {
    std::string pattern = (folder / ".vexlin-report-XXXXXX").string();
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    // A report is an ordinary document of the user's, not a private temporary file.
    const bool ok = ::fchmod(fd, 0644) == 0 && writeAll(fd, bytes) && ::fsync(fd) == 0;
    const int error = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(pattern.c_str());
        errno = error;
        return {};
    }
    return pattern;
}

// Gives the temporary file its final name unless that name exists.  A hard link cannot replace a file (the
// temporary name stays until the whole save is placed); where the filesystem has no hard links, a rename
// that refuses to replace does the same.
int placeWithoutReplacing(const fs::path& temporary, const fs::path& final) {
    if (::link(temporary.c_str(), final.c_str()) == 0) {
        return 0;
    }
    if (errno == EEXIST) {
        return EEXIST;
    }
#if defined(SYS_renameat2)
    constexpr unsigned kNoReplace = 1; // RENAME_NOREPLACE
    if (::syscall(SYS_renameat2, AT_FDCWD, temporary.c_str(), AT_FDCWD, final.c_str(), kNoReplace) == 0) {
        return 0;
    }
    return errno;
#else
    return errno;
#endif
}

bool anyExists(const fs::path& folder, const std::string& base, const std::vector<NewFile>& files) {
    for (const auto& file : files) {
        struct stat info {};
        if (::lstat((folder / (base + file.suffix)).c_str(), &info) == 0) {
            return true;
        }
    }
    return false;
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

SavedFiles saveNewFiles(const fs::path& folder, const std::string& stem, const std::vector<NewFile>& files) {
    SavedFiles result;
    std::error_code created;
    fs::create_directories(folder, created);
    if (created) {
        result.error = failure(folder, "папка не создаётся", created.value());
        return result;
    }

    std::vector<fs::path> temporaries;
    auto removeTemporaries = [&] {
        for (const auto& temporary : temporaries) {
            ::unlink(temporary.c_str());
        }
    };
    for (const auto& file : files) {
        auto temporary = writeTemporary(folder, file.bytes);
        if (temporary.empty()) {
            const int error = errno;
            removeTemporaries();
            result.error = failure(folder, "запись невозможна", error);
            return result;
        }
        temporaries.push_back(std::move(temporary));
    }

    for (int attempt = 1; attempt < 10000; ++attempt) {
        const std::string base = attempt == 1 ? stem : stem + " (" + std::to_string(attempt) + ")";
        if (anyExists(folder, base, files)) {
            continue;
        }
        std::vector<fs::path> placed;
        int error = 0;
        for (std::size_t i = 0; i < files.size() && error == 0; ++i) {
            auto final = folder / (base + files[i].suffix);
            error = placeWithoutReplacing(temporaries[i], final);
            if (error == 0) {
                placed.push_back(std::move(final));
            }
        }
        if (error == 0) {
            removeTemporaries();
            syncFolder(folder);
            result.saved = true;
            result.paths = std::move(placed);
            return result;
        }
        // Another program took one of the names meanwhile, or the folder refuses: undo this attempt.  A file
        // that was renamed rather than linked goes back to its temporary name.
        for (std::size_t i = 0; i < placed.size(); ++i) {
            if (::access(temporaries[i].c_str(), F_OK) == 0) {
                ::unlink(placed[i].c_str());
            } else {
                ::rename(placed[i].c_str(), temporaries[i].c_str());
            }
        }
        if (error != EEXIST) {
            removeTemporaries();
            result.error = failure(folder, "запись невозможна", error);
            return result;
        }
    }
    removeTemporaries();
    result.error = failure(folder, "все имена заняты", EEXIST);
    return result;
}

} // namespace vexlin::platform
