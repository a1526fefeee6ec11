#include "platform/NewFiles.h"
#include "platform/TerminationRequests.h"
#include "platform/linux/LinuxDocumentOpener.h"
#include "platform/linux/LinuxRunEnvironment.h"
#include "support/TempDir.h"
#include "support/TraceFile.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vexlin::platform {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;
using testing::traceWithin;

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeFile(const fs::path& file, const std::string& content) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << content;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<NewFile> kPair{{".docx", "document"}, {".json", "{}"}};

std::string failureText(const fs::path& folder, const std::string& what, const std::string& reason) {
    return "Не удалось сохранить отчёт в папку " + folder.string() + ": " + what + " (" + reason + ")";
}

TEST(SaveNewFiles, CreatesTheFolderAndWritesBothUnderOneName) {
    TempDir dir;
    const auto folder = dir.path() / "Документы" / "ещё";
    const auto saved = saveNewFiles(folder, "Отчёт 1", kPair);
    ASSERT_TRUE(saved.saved) << saved.error;
    ASSERT_EQ(saved.paths.size(), 2u);
    EXPECT_EQ(saved.paths[0], folder / "Отчёт 1.docx");
    EXPECT_EQ(readAll(saved.paths[0]), "document");
    EXPECT_EQ(readAll(saved.paths[1]), "{}");
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"Отчёт 1.docx", "Отчёт 1.json"}))
        << "no temporary file is left";
}

TEST(SaveNewFiles, SecondSaveInTheSameSecondNeverOverwrites) {
    TempDir dir;
    ASSERT_TRUE(saveNewFiles(dir.path(), "r", kPair).saved);
    const auto second = saveNewFiles(dir.path(), "r", {{".docx", "second"}, {".json", "2"}});
    ASSERT_TRUE(second.saved);
    EXPECT_EQ(second.paths[0].filename(), "r (2).docx");
    EXPECT_EQ(readAll(dir.path() / "r.docx"), "document");
    EXPECT_EQ(readAll(dir.path() / "r (2).json"), "2");
}

TEST(SaveNewFiles, AnyOfTheNamesTakenMovesBothOn) {
    TempDir dir;
    writeFile(dir.path() / "r.json", "someone else's");
    fs::create_symlink("/nonexistent", dir.path() / "r (2).docx"); // a dangling link still takes the name
    const auto saved = saveNewFiles(dir.path(), "r", kPair);
    ASSERT_TRUE(saved.saved) << saved.error;
    EXPECT_EQ(saved.paths[0].filename(), "r (3).docx");
    EXPECT_EQ(saved.paths[1].filename(), "r (3).json");
    EXPECT_EQ(readAll(dir.path() / "r.json"), "someone else's");
}

TEST(SaveNewFiles, FolderThatCannotBeMadeGivesAMessageNamingItAndLeavesNothing) {
    TempDir dir;
    writeFile(dir.path() / "plain-file", "x");
    const auto folder = dir.path() / "plain-file" / "reports";
    const auto saved = saveNewFiles(folder, "r", kPair);
    EXPECT_FALSE(saved.saved);
    EXPECT_EQ(saved.error, failureText(folder, "папка не создаётся", "нет такой папки"));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"plain-file"}));
}

TEST(SaveNewFiles, FolderThatRefusesWritingGivesAMessageAndLeavesNothing) {
    // /proc refuses new files even to root, where a mode bit would not.
    const auto saved = saveNewFiles("/proc", "r", kPair);
    EXPECT_FALSE(saved.saved);
    EXPECT_NE(saved.error.find("/proc"), std::string::npos) << saved.error;
    EXPECT_FALSE(fs::exists("/proc/r.docx"));
}

// --- a disk that refuses one step of the save
// ---------------------------------------------------------------

struct RefusalRow {
    const char* name;
    SaveStep step;
    std::size_t file; // 0 the document, 1 its twin
    int error;
    const char* reason; // nullptr: the system's own text
};

void PrintTo(const RefusalRow& row, std::ostream* out) {
    *out << row.name;
}

class ReportSaveRefused : public ::testing::TestWithParam<RefusalRow> {};

// The message names the folder and the reason; nothing of the save stays, not even the folder it made; the
// next save, once the disk takes it, writes both under the first name.
TEST_P(ReportSaveRefused, LeavesNothingAndTheNextSaveSucceeds) {
    const auto& row = GetParam();
    TempDir dir;
    const auto folder = dir.path() / "Документы" / "Отчёты";
    SaveSeam seam;
    seam.before = [&row](SaveStep step, std::size_t file) {
        return step == row.step && file == row.file ? row.error : 0;
    };
    const auto refused = saveNewFiles(folder, "r", kPair, seam);
    EXPECT_FALSE(refused.saved);
    EXPECT_EQ(refused.error, failureText(folder, "запись невозможна",
                                         row.reason != nullptr ? row.reason : std::strerror(row.error)));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{});

    const auto again = saveNewFiles(folder, "r", kPair);
    ASSERT_TRUE(again.saved) << again.error;
    EXPECT_EQ(namesIn(folder), (std::vector<std::string>{"r.docx", "r.json"}));
    EXPECT_EQ(readAll(folder / "r.json"), "{}");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReportSaveRefused,
    ::testing::Values(RefusalRow{"NoSpaceForTheDocument", SaveStep::Write, 0, ENOSPC, "на диске нет места"},
                      RefusalRow{"QuotaSpentOnTheJson", SaveStep::Write, 1, EDQUOT, "на диске нет места"},
                      RefusalRow{"ReadOnlyDisk", SaveStep::Create, 0, EROFS, "диск только для чтения"},
                      RefusalRow{"NoPermission", SaveStep::Create, 0, EACCES, "нет прав на запись"},
                      RefusalRow{"FolderGoneBeforeTheJson", SaveStep::Create, 1, ENOENT, "нет такой папки"},
                      RefusalRow{"ReadOnlyOnceTheDocumentHasItsName", SaveStep::Place, 1, EROFS,
                                 "диск только для чтения"},
                      RefusalRow{"OtherReasonAsTheSystemSaysIt", SaveStep::Write, 0, EIO, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SaveNewFiles, FolderMadeBeforeTheSaveStaysWhenTheSaveFails) {
    TempDir dir;
    fs::create_directories(dir.path() / "Документы");
    SaveSeam seam;
    seam.before = [](SaveStep step, std::size_t) { return step == SaveStep::Write ? ENOSPC : 0; };
    EXPECT_FALSE(saveNewFiles(dir.path() / "Документы" / "Отчёты", "r", kPair, seam).saved);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"Документы"});
    EXPECT_EQ(namesIn(dir.path() / "Документы"), std::vector<std::string>{});
}

// --- a real full or read-only disk: a small tmpfs in a mount namespace of a child's own ------------------

struct DiskRow {
    const char* name;
    // Makes the mounted disk refuse the save, then, after it, take one again.
    void (*refuse)(const fs::path& disk);
    void (*free)(const fs::path& disk);
    const char* reason;
};

void fillUp(const fs::path& disk) {
    std::ofstream filler(disk / "filler", std::ios::binary);
    const std::string block(4096, 'x');
    for (int i = 0; i < 64 && filler.write(block.data(), block.size()); ++i) {
        filler.flush();
    }
}

void remount(const fs::path& disk, unsigned long flags) {
    ::mount(nullptr, disk.c_str(), nullptr, MS_REMOUNT | flags, nullptr);
}

void PrintTo(const DiskRow& row, std::ostream* out) {
    *out << row.name;
}

class ReportOnARealDisk : public ::testing::TestWithParam<DiskRow> {};

// Run in a child, since only it may change its mounts; it answers with lines: "skip", or the first save's
// message, what the disk then holds, and whether the second save was placed under the first name.
std::string saveOnTmpfs(const DiskRow& row, const fs::path& disk) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return "skip: no pipe";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeFds[0]);
        std::string answer;
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k,mode=0755") != 0) {
            answer = std::string("skip: ") + std::strerror(errno);
        } else {
            fs::create_directories(disk / "Документы");
            row.refuse(disk);
            const auto refused = saveNewFiles(disk / "Документы", "r", kPair);
            answer = refused.error + "\n";
            for (const auto& name : namesIn(disk / "Документы")) {
                answer += name + " ";
            }
            row.free(disk);
            const auto again = saveNewFiles(disk / "Документы", "r", kPair);
            answer += "\n" + std::string(again.saved ? "saved " : "refused ") +
                      (again.saved ? again.paths[0].filename().string() : again.error);
        }
        [[maybe_unused]] auto written = ::write(pipeFds[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string answer;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) {
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(pipeFds[0]);
    ::waitpid(child, nullptr, 0);
    return answer;
}

TEST_P(ReportOnARealDisk, RefusalLeavesNothingAndASecondTrySucceeds) {
    TempDir dir;
    const fs::path disk = dir.path() / "disk";
    fs::create_directories(disk);
    const std::string answer = saveOnTmpfs(GetParam(), disk);
    if (answer.rfind("skip", 0) == 0) {
        GTEST_SKIP() << "no mount namespace of our own here (" << answer << ")";
    }
    const auto folder = disk / "Документы";
    EXPECT_EQ(answer, failureText(folder, "запись невозможна", GetParam().reason) + "\n\nsaved r.docx");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ReportOnARealDisk,
    ::testing::Values(DiskRow{"Full", fillUp, [](const fs::path& disk) { fs::remove(disk / "filler"); },
                              "на диске нет места"},
                      DiskRow{"ReadOnly", [](const fs::path& disk) { remount(disk, MS_RDONLY); },
                              [](const fs::path& disk) { remount(disk, 0); }, "диск только для чтения"}),
    [](const auto& info) { return std::string(info.param.name); });

// --- temporary files of an earlier save -------------------------------------------------------------------

struct LeftoverRow {
    const char* name;
    // Puts an entry of the temporary files' kind into the folder; returns an open descriptor to keep, or -1.
    int (*plant)(const fs::path& entry);
    bool removed;
};

void PrintTo(const LeftoverRow& row, std::ostream* out) {
    *out << row.name;
}

class EarlierReportTemporary : public ::testing::TestWithParam<LeftoverRow> {};

TEST_P(EarlierReportTemporary, RemovedAtTheNextSaveOnlyWhenNobodyHoldsIt) {
    TempDir dir;
    const auto entry = dir.path() / ".vexlin-report-Qx81Zp";
    const int kept = GetParam().plant(entry);
    ASSERT_TRUE(saveNewFiles(dir.path(), "r", kPair).saved);
    EXPECT_EQ(fs::exists(entry), !GetParam().removed);
    EXPECT_TRUE(fs::exists(dir.path() / "r.docx"));
    if (kept >= 0) {
        ::close(kept);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, EarlierReportTemporary,
                         ::testing::Values(LeftoverRow{"LeftByAKilledSave",
                                                       [](const fs::path& entry) {
                                                           writeFile(entry, "half a docum");
                                                           return -1;
                                                       },
                                                       true},
                                           LeftoverRow{"OfASaveRunningNow",
                                                       [](const fs::path& entry) {
                                                           writeFile(entry, "being written");
                                                           const int fd = ::open(entry.c_str(), O_RDONLY);
                                                           EXPECT_EQ(::flock(fd, LOCK_EX), 0);
                                                           return fd;
                                                       },
                                                       false},
                                           LeftoverRow{"ADirectoryOfThatName",
                                                       [](const fs::path& entry) {
                                                           fs::create_directories(entry / "inside");
                                                           return -1;
                                                       },
                                                       false}),
                         [](const auto& info) { return std::string(info.param.name); });

// --- a request to end while a save runs
// ---------------------------------------------------------------------

struct EndRequestRow {
    const char* name;
    int signal;
    SaveStep step;
    std::size_t file;
};

void PrintTo(const EndRequestRow& row, std::ostream* out) {
    *out << row.name;
}

class EndDuringAReportSave : public ::testing::TestWithParam<EndRequestRow> {};

// A child that takes requests to end as the program does saves; the signal comes at the row's step.  The
// child must end by the request after the save, with the whole report there and no temporary file.
TEST_P(EndDuringAReportSave, TheWholeReportIsThere) {
    const auto& row = GetParam();
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) {
        TerminationRequests requests;
        SaveSeam seam;
        seam.before = [&row](SaveStep step, std::size_t file) {
            if (step == row.step && file == row.file) {
                ::raise(row.signal);
            }
            return 0;
        };
        const bool saved = saveNewFiles(dir.path(), "r", kPair, seam).saved;
        ::_exit(saved ? 128 + requests.takeSignal() : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "killed in the middle of the save by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + row.signal);
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"r.docx", "r.json"}));
    EXPECT_EQ(readAll(dir.path() / "r.docx"), "document");
}

INSTANTIATE_TEST_SUITE_P(
    Rows, EndDuringAReportSave,
    ::testing::Values(EndRequestRow{"TermWhileTheDocumentIsWritten", SIGTERM, SaveStep::Write, 0},
                      EndRequestRow{"TermWhileTheJsonIsWritten", SIGTERM, SaveStep::Write, 1},
                      EndRequestRow{"TermBetweenTheTwoNames", SIGTERM, SaveStep::Place, 1},
                      EndRequestRow{"InterruptBetweenTheTwoNames", SIGINT, SaveStep::Place, 1},
                      EndRequestRow{"HangUpBeforeTheJsonIsMade", SIGHUP, SaveStep::Create, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RunEnvironment, ReadsThePolicyAndReleaseBelowItsRoot) {
    TempDir dir;
    writeFile(dir.path() / "sys/devices/system/cpu/cpu0/cpufreq/scaling_governor", "powersave\n");
    writeFile(dir.path() / "sys/devices/system/cpu/cpu0/cpufreq/scaling_driver", "intel_pstate\n");
    writeFile(dir.path() / "proc/sys/kernel/osrelease", "6.1.0-28-amd64\n");
    const linux_impl::LinuxRunEnvironment environment(dir.path(), {});
    EXPECT_EQ(environment.cpuFrequencyGovernor(), "powersave");
    EXPECT_EQ(environment.cpuFrequencyDriver(), "intel_pstate");
    EXPECT_EQ(environment.kernelRelease(), "6.1.0-28-amd64");

    TempDir bare; // a virtual machine without cpufreq
    const linux_impl::LinuxRunEnvironment none(bare.path(), {});
    EXPECT_EQ(none.cpuFrequencyGovernor(), std::nullopt);
    EXPECT_EQ(none.cpuFrequencyDriver(), std::nullopt);
    EXPECT_EQ(none.kernelRelease(), "");
}

struct SessionRow {
    const char* name;
    linux_impl::LinuxRunEnvironment::Session session;
    const char* type;
};

class SessionType : public ::testing::TestWithParam<SessionRow> {};

TEST_P(SessionType, FromTheSessionsOwnWordElseTheDisplays) {
    EXPECT_EQ(linux_impl::LinuxRunEnvironment("/nonexistent", GetParam().session).sessionType(),
              GetParam().type);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SessionType,
    ::testing::Values(SessionRow{"x11Said", {"x11", "", ":0"}, "x11"},
                      SessionRow{"waylandSaid", {"wayland", "wayland-0", ":0"}, "wayland"},
                      SessionRow{"ttyWithWaylandDisplay", {"tty", "wayland-0", ""}, "wayland"},
                      SessionRow{"onlyDisplay", {"", "", ":99"}, "x11"},
                      SessionRow{"nothing", {"", "", ""}, "unknown"}),
    [](const auto& info) { return std::string(info.param.name); });

// Fake programs in a private search directory: each records its arguments in a file of the test.
struct FakeTools {
    TempDir dir;
    fs::path bin() const { return dir.path() / "bin"; }
    fs::path log() const { return dir.path() / "started"; }

    void add(const std::string& name, const std::string& body) {
        const auto file = bin() / name;
        writeFile(file, "#!/bin/sh\n" + body + "\n");
        ::chmod(file.c_str(), 0755);
    }
    void addRecorder(const std::string& name) {
        add(name, "echo " + name + " \"$@\" >> '" + log().string() + "'");
    }

    std::string startedWithin() const { return traceWithin(log()); }
    linux_impl::LinuxDocumentOpener opener() const {
        return linux_impl::LinuxDocumentOpener(linux_impl::LinuxProgramLauncher({bin().string()}));
    }
};

constexpr const char* kDocx = "application/vnd.openxmlformats-officedocument.wordprocessingml.document";

TEST(DocumentOpener, UsesTheDesktopsProgramWhenItHasOne) {
    FakeTools tools;
    tools.add("xdg-mime",
              "[ \"$1 $2 $3\" = \"query default " + std::string(kDocx) + "\" ] && echo writer.desktop");
    tools.addRecorder("xdg-open");
    tools.addRecorder("lowriter");
    auto opener = tools.opener();
    const auto result = opener.open("/tmp/Отчёт 1.docx", kDocx);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.program, "xdg-open");
    EXPECT_EQ(tools.startedWithin(), "xdg-open /tmp/Отчёт 1.docx\n");
}

TEST(DocumentOpener, WithoutADefaultFallsBackToAnInstalledWordProcessor) {
    FakeTools tools;
    tools.add("xdg-mime", "exit 0"); // no default for the type
    tools.addRecorder("xdg-open");
    tools.addRecorder("soffice");
    auto opener = tools.opener();
    const auto result = opener.open("/tmp/r.docx", kDocx);
    EXPECT_TRUE(result.opened);
    EXPECT_EQ(result.program, "soffice");
    EXPECT_EQ(tools.startedWithin(), "soffice --writer /tmp/r.docx\n");
    EXPECT_EQ(result.lookedFor, (std::vector<std::string>{"lowriter", "libreoffice", "soffice"}));
}

TEST(DocumentOpener, NothingInstalledSaysSoAndNamesWhatWasTried) {
    FakeTools tools;
    fs::create_directories(tools.bin());
    auto opener = tools.opener();
    const auto result = opener.open("/tmp/r.docx", kDocx);
    EXPECT_FALSE(result.opened);
    EXPECT_EQ(result.lookedFor,
              (std::vector<std::string>{"lowriter", "libreoffice", "soffice", "abiword", "calligrawords"}));
}

} // namespace
} // namespace vexlin::platform
