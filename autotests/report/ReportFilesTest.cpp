#include "platform/NewFiles.h"
#include "platform/linux/LinuxDocumentOpener.h"
#include "platform/linux/LinuxRunEnvironment.h"
#include "support/TempDir.h"
#include "support/TraceFile.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

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
    EXPECT_NE(saved.error.find(folder.string()), std::string::npos) << saved.error;
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"plain-file"}));
}

TEST(SaveNewFiles, FolderThatRefusesWritingGivesAMessageAndLeavesNothing) {
    // /proc refuses new files even to root, where a mode bit would not.
    const auto saved = saveNewFiles("/proc", "r", kPair);
    EXPECT_FALSE(saved.saved);
    EXPECT_NE(saved.error.find("/proc"), std::string::npos) << saved.error;
    EXPECT_FALSE(fs::exists("/proc/r.docx"));
}

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
