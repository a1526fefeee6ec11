#include "platform/linux/LinuxInstanceGuard.h"
#include "support/TempDir.h"

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

using vexlin::platform::InstanceGuard;
using vexlin::platform::linux_impl::LinuxInstanceGuard;
namespace fs = std::filesystem;

namespace {

uid_t otherUser() {
    const passwd* nobody = ::getpwnam("nobody");
    return nobody != nullptr ? nobody->pw_uid : 65534;
}

// Making a file of another owner needs root; elsewhere those rows are skipped with a word why.
bool canChown() {
    return ::geteuid() == 0;
}

void makeFile(const fs::path& path, const std::string& content = "mine") {
    std::ofstream(path) << content;
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct stat lstatOf(const fs::path& path) {
    struct stat info {};
    ::lstat(path.c_str(), &info);
    return info;
}

class GuardFixture : public testing::Test {
public:
    void TearDown() override {
        for (pid_t holder : holders_) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
        }
    }

    // Another process that runs `take` (true when it holds what it should) and keeps it until it is killed.
    pid_t startHolder(const std::function<bool()>& take) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t holder = ::fork();
        EXPECT_GE(holder, 0);
        if (holder == 0) {
            const char state = take() ? 'A' : 'X';
            [[maybe_unused]] auto written = ::write(ready[1], &state, 1);
            for (;;) {
                ::pause();
            }
        }
        holders_.push_back(holder);
        ::close(ready[1]);
        char state = 0;
        EXPECT_EQ(::read(ready[0], &state, 1), 1);
        ::close(ready[0]);
        EXPECT_EQ(state, 'A');
        return holder;
    }

    // A copy of Vexlin holding the guard in `dir`.
    pid_t startCopy(const fs::path& dir) {
        return startHolder([dir] {
            static LinuxInstanceGuard guard(dir, "one_example");
            return guard.acquire() == InstanceGuard::State::Acquired;
        });
    }

    // Someone holding an flock on any file, as another user's program could.
    pid_t startFileLocker(const fs::path& file) {
        return startHolder([file] {
            const int fd = ::open(file.c_str(), O_RDWR);
            return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        });
    }

    void stop(pid_t holder) {
        ::kill(holder, SIGKILL);
        ::waitpid(holder, nullptr, 0);
        std::erase(holders_, holder);
    }

protected:
    vexlin::testing::TempDir temp_{"vexlin-guard"};
    const fs::path dir_ = temp_.path();
    std::vector<pid_t> holders_;
};

using InstanceGuardTest = GuardFixture;

TEST_F(InstanceGuardTest, SecondStartSeesTheFirstAndAStartAfterAKillProceeds) {
    const pid_t first = startCopy(dir_);
    LinuxInstanceGuard second(dir_, "one_example");
    EXPECT_EQ(second.acquire(), InstanceGuard::State::AlreadyRunning);

    // A crashed first copy leaves its file behind, but not its lock.
    stop(first);
    EXPECT_TRUE(fs::exists(dir_ / "one_example"));
    LinuxInstanceGuard third(dir_, "one_example");
    EXPECT_EQ(third.acquire(), InstanceGuard::State::Acquired);
}

TEST_F(InstanceGuardTest, GuardIsReleasedWhenItsOwnerGoesAway) {
    {
        LinuxInstanceGuard first(dir_, "one_example");
        ASSERT_EQ(first.acquire(), InstanceGuard::State::Acquired);
    }
    LinuxInstanceGuard next(dir_, "one_example");
    EXPECT_EQ(next.acquire(), InstanceGuard::State::Acquired);
}

TEST_F(InstanceGuardTest, MissingPerUserDirectoryIsMadePrivate) {
    const fs::path dir = dir_ / "vexlin-1000";
    LinuxInstanceGuard guard(dir, "one_example");
    ASSERT_EQ(guard.acquire(), InstanceGuard::State::Acquired);
    const auto info = lstatOf(dir);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u);
    EXPECT_EQ(info.st_uid, ::geteuid());
    // The lock file itself is open to nobody else either.
    EXPECT_EQ(lstatOf(dir / "one_example").st_mode & 077, 0u);
}

// --- what another user may have left under the lock file's name --------------------------------------------

struct ForeignEntryRow {
    const char* name;
    bool needsRoot;
    // Puts something at `lockFile`, maybe using `elsewhere` (a directory outside the guard's), and starts
    // what holds it; returns the file whose content must survive untouched, or an empty path.
    std::function<fs::path(GuardFixture&, const fs::path& lockFile, const fs::path& elsewhere)> plant;
    // Another copy starts just as the entry has been removed and makes the lock file first: this one must
    // then find it running, not go on unguarded.
    bool copyWinsTheRace = false;
};

void PrintTo(const ForeignEntryRow& row, std::ostream* out) {
    *out << row.name;
}

class ForeignLockFileTest : public GuardFixture, public testing::WithParamInterface<ForeignEntryRow> {};

// Whatever was there, the start goes on holding a lock file of its own (or meets the copy that made one
// first), and nothing outside the guard's directory is created, written or locked.
TEST_P(ForeignLockFileTest, NeitherBlocksNorRedirectsTheStart) {
    if (GetParam().needsRoot && !canChown()) {
        GTEST_SKIP() << "making a file of another owner needs root";
    }
    vexlin::testing::TempDir elsewhere{"vexlin-elsewhere"};
    const fs::path lockFile = dir_ / "one_example";
    const fs::path kept = GetParam().plant(*this, lockFile, elsewhere.path());
    const std::string keptContent = kept.empty() ? std::string() : contentOf(kept);

    LinuxInstanceGuard guard(dir_, "one_example");
    if (GetParam().copyWinsTheRace) {
        guard.whenForeignEntryRemoved([this, started = false]() mutable {
            if (!std::exchange(started, true)) {
                startCopy(dir_);
            }
        });
    }
    ASSERT_EQ(guard.acquire(), GetParam().copyWinsTheRace ? InstanceGuard::State::AlreadyRunning
                                                          : InstanceGuard::State::Acquired);

    const auto info = lstatOf(lockFile);
    EXPECT_TRUE(S_ISREG(info.st_mode)) << "a regular file of our own replaces what was there";
    EXPECT_EQ(info.st_uid, ::geteuid());
    if (!kept.empty()) {
        EXPECT_EQ(contentOf(kept), keptContent);
    }
    EXPECT_FALSE(fs::exists(elsewhere.path() / "never-made"));
    // Our own lock works: a second copy of ours is refused.
    LinuxInstanceGuard second(dir_, "one_example");
    EXPECT_EQ(second.acquire(), InstanceGuard::State::AlreadyRunning);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, ForeignLockFileTest,
    testing::Values(ForeignEntryRow{"OtherOwnersFileHeld", true,
                                    [](GuardFixture& f, const fs::path& lock, const fs::path&) {
                                        makeFile(lock, "theirs");
                                        EXPECT_EQ(::chown(lock.c_str(), otherUser(), otherUser()), 0);
                                        f.startFileLocker(lock);
                                        return fs::path();
                                    }},
                    ForeignEntryRow{"OtherOwnersFileNotHeld", true,
                                    [](GuardFixture&, const fs::path& lock, const fs::path&) {
                                        makeFile(lock, "theirs");
                                        EXPECT_EQ(::chown(lock.c_str(), otherUser(), otherUser()), 0);
                                        return fs::path();
                                    }},
                    ForeignEntryRow{"LinkToAHeldFile", false,
                                    [](GuardFixture& f, const fs::path& lock, const fs::path& elsewhere) {
                                        const fs::path target = elsewhere / "held";
                                        makeFile(target, "not for the guard");
                                        fs::create_symlink(target, lock);
                                        f.startFileLocker(target);
                                        return target;
                                    }},
                    ForeignEntryRow{"LinkToAFileOfValue", false,
                                    [](GuardFixture&, const fs::path& lock, const fs::path& elsewhere) {
                                        const fs::path target = elsewhere / "precious";
                                        makeFile(target, "do not truncate");
                                        fs::create_symlink(target, lock);
                                        return target;
                                    }},
                    ForeignEntryRow{"DanglingLink", false,
                                    [](GuardFixture&, const fs::path& lock, const fs::path& elsewhere) {
                                        fs::create_symlink(elsewhere / "never-made", lock);
                                        return fs::path();
                                    }},
                    ForeignEntryRow{"NamedPipe", false,
                                    [](GuardFixture&, const fs::path& lock, const fs::path&) {
                                        EXPECT_EQ(::mkfifo(lock.c_str(), 0600), 0);
                                        return fs::path();
                                    }},
                    ForeignEntryRow{"OtherOwnersFileCopyWinsTheRace", true,
                                    [](GuardFixture&, const fs::path& lock, const fs::path&) {
                                        makeFile(lock, "theirs");
                                        EXPECT_EQ(::chown(lock.c_str(), otherUser(), otherUser()), 0);
                                        return fs::path();
                                    },
                                    true},
                    ForeignEntryRow{"DanglingLinkCopyWinsTheRace", false,
                                    [](GuardFixture&, const fs::path& lock, const fs::path& elsewhere) {
                                        fs::create_symlink(elsewhere / "never-made", lock);
                                        return fs::path();
                                    },
                                    true}),
    [](const auto& info) { return std::string(info.param.name); });

// --- the directory the guard lives in ----------------------------------------------------------------------

struct DirectoryRow {
    const char* name;
    bool needsRoot;
    // Prepares the guard's directory below `base` and returns it.
    std::function<fs::path(const fs::path& base)> prepare;
};

void PrintTo(const DirectoryRow& row, std::ostream* out) {
    *out << row.name;
}

class UnsafeDirectoryTest : public GuardFixture, public testing::WithParamInterface<DirectoryRow> {};

// A directory another user can write to, or has made, is not used: the guard moves on to the next place,
// where two copies of ours still meet, and only with no place left does the start go on unguarded.
TEST_P(UnsafeDirectoryTest, GivesWayToTheNextPlace) {
    if (GetParam().needsRoot && !canChown()) {
        GTEST_SKIP() << "making a directory of another owner needs root";
    }
    const fs::path dir = GetParam().prepare(dir_);
    LinuxInstanceGuard alone(dir, "one_example");
    EXPECT_EQ(alone.acquire(), InstanceGuard::State::Unavailable);
    EXPECT_FALSE(fs::exists(fs::path(dir) / "one_example"));

    const fs::path fallback = dir_ / "home" / ".cache" / "vexlin";
    LinuxInstanceGuard guard({dir, fallback}, "one_example");
    ASSERT_EQ(guard.acquire(), InstanceGuard::State::Acquired);
    EXPECT_FALSE(fs::exists(fs::path(dir) / "one_example"));
    const auto info = lstatOf(fallback);
    EXPECT_TRUE(S_ISDIR(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u);
    LinuxInstanceGuard second({dir, fallback}, "one_example");
    EXPECT_EQ(second.acquire(), InstanceGuard::State::AlreadyRunning);
}

INSTANTIATE_TEST_SUITE_P(Directories, UnsafeDirectoryTest,
                         testing::Values(DirectoryRow{"UnderARegularFile", false,
                                                      [](const fs::path& base) {
                                                          makeFile(base / "file");
                                                          return base / "file" / "vexlin-0";
                                                      }},
                                         DirectoryRow{
                                             "OtherOwners", true,
                                             [](const fs::path& base) {
                                                 const fs::path dir = base / "vexlin-0";
                                                 fs::create_directory(dir);
                                                 ::chmod(dir.c_str(), 0700);
                                                 EXPECT_EQ(::chown(dir.c_str(), otherUser(), otherUser()), 0);
                                                 return dir;
                                             }},
                                         DirectoryRow{"WritableByAll", false,
                                                      [](const fs::path& base) {
                                                          const fs::path dir = base / "shared";
                                                          fs::create_directory(dir);
                                                          ::chmod(dir.c_str(), 01777);
                                                          return dir;
                                                      }},
                                         DirectoryRow{"WritableByGroup", false,
                                                      [](const fs::path& base) {
                                                          const fs::path dir = base / "group";
                                                          fs::create_directory(dir);
                                                          ::chmod(dir.c_str(), 0770);
                                                          return dir;
                                                      }},
                                         DirectoryRow{"LinkToAPrivateDirectory", false,
                                                      [](const fs::path& base) {
                                                          const fs::path real = base / "real";
                                                          fs::create_directory(real);
                                                          ::chmod(real.c_str(), 0700);
                                                          fs::create_directory_symlink(real, base / "link");
                                                          return base / "link";
                                                      }},
                                         DirectoryRow{"RegularFile", false,
                                                      [](const fs::path& base) {
                                                          makeFile(base / "file");
                                                          return base / "file";
                                                      }}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- which directory
// -----------------------------------------------------------------------------------------

struct RuntimeDirRow {
    const char* name;
    bool needsRoot;
    // Prepares $XDG_RUNTIME_DIR below `base` and returns its value ("" for unset).
    std::function<std::string(const fs::path& base)> prepare;
    bool used;
};

void PrintTo(const RuntimeDirRow& row, std::ostream* out) {
    *out << row.name;
}

class RuntimeDirTest : public GuardFixture, public testing::WithParamInterface<RuntimeDirRow> {};

TEST_P(RuntimeDirTest, UsedOnlyWhenItIsTheUsersOwnAndClosed) {
    if (GetParam().needsRoot && !canChown()) {
        GTEST_SKIP() << "making a directory of another owner needs root";
    }
    const std::string runtime = GetParam().prepare(dir_);
    const fs::path temp = dir_ / "tmp";
    const fs::path cache = dir_ / "cache";
    const auto chosen = LinuxInstanceGuard::chooseDirectories(runtime, temp, cache);
    if (GetParam().used) {
        EXPECT_EQ(chosen, std::vector<fs::path>{runtime});
    } else {
        EXPECT_EQ(chosen, (std::vector<fs::path>{temp / ("vexlin-" + std::to_string(::geteuid())),
                                                 cache / "vexlin"}));
    }
}

fs::path privateDir(const fs::path& dir, mode_t mode = 0700) {
    fs::create_directory(dir);
    ::chmod(dir.c_str(), mode);
    return dir;
}

INSTANTIATE_TEST_SUITE_P(
    Values, RuntimeDirTest,
    testing::Values(
        RuntimeDirRow{"Unset", false, [](const fs::path&) { return std::string(); }, false},
        RuntimeDirRow{"OwnAndClosed", false, [](const fs::path& b) { return privateDir(b / "run").string(); },
                      true},
        RuntimeDirRow{"ReadableByGroup", false,
                      [](const fs::path& b) { return privateDir(b / "run", 0750).string(); }, false},
        RuntimeDirRow{"WritableByAll", false,
                      [](const fs::path& b) { return privateDir(b / "run", 01777).string(); }, false},
        RuntimeDirRow{"OtherOwners", true,
                      [](const fs::path& b) {
                          const fs::path dir = privateDir(b / "run");
                          EXPECT_EQ(::chown(dir.c_str(), otherUser(), otherUser()), 0);
                          return dir.string();
                      },
                      false},
        RuntimeDirRow{"LinkToOwnDirectory", false,
                      [](const fs::path& b) {
                          fs::create_directory_symlink(privateDir(b / "run"), b / "link");
                          return (b / "link").string();
                      },
                      false},
        RuntimeDirRow{"Missing", false, [](const fs::path& b) { return (b / "gone").string(); }, false},
        RuntimeDirRow{"RegularFile", false,
                      [](const fs::path& b) {
                          makeFile(b / "file");
                          return (b / "file").string();
                      },
                      false}),
    [](const auto& info) { return std::string(info.param.name); });

// The fallback of a run without a session: a per-user directory, which the guard then makes for itself.
TEST_F(InstanceGuardTest, WithoutARuntimeDirectoryTwoStartsMeetInTheTemporaryOne) {
    const auto places = LinuxInstanceGuard::chooseDirectories("", dir_, dir_ / "cache");
    startHolder([places] {
        static LinuxInstanceGuard guard(places, "one_example");
        return guard.acquire() == InstanceGuard::State::Acquired;
    });
    LinuxInstanceGuard second(places, "one_example");
    EXPECT_EQ(second.acquire(), InstanceGuard::State::AlreadyRunning);
    EXPECT_TRUE(fs::exists(places.front() / "one_example"));
    EXPECT_FALSE(fs::exists(dir_ / "cache"));
}

} // namespace
