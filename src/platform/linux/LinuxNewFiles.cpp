#include "platform/NewFiles.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <utility>

namespace vexlin::platform {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kTemporaryPrefix = ".vexlin-report-";

// The system's word for the reasons a user meets; the rest come as the system says them.
std::string reasonText(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return "нет такой папки";
    case EACCES:
    case EPERM:
        return "нет прав на запись";
    case ENOSPC:
    case EDQUOT:
        return "на диске нет места";
    case EROFS:
        return "диск только для чтения";
    default:
        return std::strerror(error);
    }
}

// `error` 0 when the system gave no reason.
std::string failure(const fs::path& folder, const std::string& what, int error) {
    const std::string message = "Не удалось сохранить отчёт в папку " + folder.string() + ": " + what;
    return error == 0 ? message : message + " (" + reasonText(error) + ")";
}

bool writeAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto written = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written == 0) {
            errno = ENOSPC;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

int lockWithoutWaiting(int fd) {
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result;
}

// A temporary file beside the final one, kept open and locked until the save ends so that the next save
// can tell it from a leftover.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    Temporary(Temporary&& other) noexcept
        : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}
    ~Temporary() {
        if (fd_ >= 0) {
            ::unlink(path_.c_str());
            ::close(fd_);
        }
    }

    // 0, or the errno value of the step that failed.
    int create(const fs::path& folder) {
        std::string pattern = (folder / (std::string(kTemporaryPrefix) + "XXXXXX")).string();
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ < 0) {
            return errno;
        }
        path_ = pattern;
        // A report is an ordinary document of the user's, not a private temporary file.
        if (lockWithoutWaiting(fd_) != 0 || ::fchmod(fd_, 0644) != 0) {
            return errno;
        }
        return 0;
    }

    int write(const std::string& bytes) { return writeAll(fd_, bytes) && ::fsync(fd_) == 0 ? 0 : errno; }

    const fs::path& path() const { return path_; }

private:
    fs::path path_;
    int fd_ = -1;
};

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

// The folders that creating `folder` would make, the deepest first.
std::vector<fs::path> missingFolders(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path at = folder; !at.empty(); at = at.parent_path()) {
        struct stat info {};
        if (::lstat(at.c_str(), &info) == 0 || errno != ENOENT) {
            break;
        }
        missing.push_back(at);
        if (at.parent_path() == at) {
            break;
        }
    }
    return missing;
}

// Removes the temporary files of saves that were killed before they ended.  A leftover is a regular file
// of ours under the temporary prefix that nobody holds locked; a save running now holds its own.
void removeLeftovers(const fs::path& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) {
        return;
    }
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (name.substr(0, kTemporaryPrefix.size()) != kTemporaryPrefix) {
            continue;
        }
        const int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
            lockWithoutWaiting(fd) == 0) {
            ::unlinkat(dirFd, entry->d_name, 0);
        }
        ::close(fd);
    }
    ::closedir(dir);
}

} // namespace

SavedFiles saveNewFiles(const fs::path& folder, const std::string& stem, const std::vector<NewFile>& files,
                        const SaveSeam& seam) {
    SavedFiles result;
    const auto injected = [&seam](SaveStep step, std::size_t index) {
        return seam.before ? seam.before(step, index) : 0;
    };
    const std::vector<fs::path> created = missingFolders(folder);
    // Whatever fails after this point leaves the disk as it was: the folders made for this save go too.
    const auto fail = [&](const std::string& what, int error) {
        for (const auto& made : created) {
            ::rmdir(made.c_str());
        }
        result.error = failure(folder, what, error);
        return result;
    };
    std::error_code creating;
    fs::create_directories(folder, creating);
    if (creating) {
        return fail("папка не создаётся", creating.value());
    }
    removeLeftovers(folder);

    std::vector<Temporary> temporaries;
    temporaries.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        int error = injected(SaveStep::Create, i);
        Temporary& temporary = temporaries.emplace_back();
        if (error == 0) {
            error = temporary.create(folder);
        }
        if (error == 0) {
            error = injected(SaveStep::Write, i);
        }
        if (error == 0) {
            error = temporary.write(files[i].bytes);
        }
        if (error != 0) {
            temporaries.clear();
            return fail("запись невозможна", error);
        }
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
            error = injected(SaveStep::Place, i);
            if (error == 0) {
                error = placeWithoutReplacing(temporaries[i].path(), final);
            }
            if (error == 0) {
                placed.push_back(std::move(final));
            }
        }
        if (error == 0) {
            temporaries.clear();
            syncFolder(folder);
            result.saved = true;
            result.paths = std::move(placed);
            return result;
        }
        // Another program took one of the names meanwhile, or the folder refuses: undo this attempt.  A file
        // that was renamed rather than linked goes back to its temporary name.
        for (std::size_t i = 0; i < placed.size(); ++i) {
            if (::access(temporaries[i].path().c_str(), F_OK) == 0) {
                ::unlink(placed[i].c_str());
            } else {
                ::rename(placed[i].c_str(), temporaries[i].path().c_str());
            }
        }
        if (error != EEXIST) {
            temporaries.clear();
            return fail("запись невозможна", error);
        }
    }
    temporaries.clear();
    return fail("все имена заняты", 0);
}

} // namespace vexlin::platform
