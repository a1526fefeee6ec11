#include "platform/DataFiles.h"

#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using vexlin::platform::DataRootPlaces;
using vexlin::platform::dataRoots;
using vexlin::platform::moduleDirectories;
using vexlin::platform::normaliseDataPath;
using vexlin::platform::resolveDataPath;

namespace {

TEST(DataFiles, BackSlashesBecomeSlashes) {
    EXPECT_EQ(normaliseDataPath("data\\model\\sarge\\head.md3"), "data/model/sarge/head.md3");
    EXPECT_EQ(normaliseDataPath("data/klava.bmp"), "data/klava.bmp");
}

// --- the roots, best first, from where the program is, what was compiled in and where it was started ------

struct RootsRow {
    const char* name;
    DataRootPlaces places;
    std::vector<fs::path> roots;
};

class DataRootsOrder : public ::testing::TestWithParam<RootsRow> {};

TEST_P(DataRootsOrder, AreListedBestFirstWithoutRepeats) {
    EXPECT_EQ(dataRoots(GetParam().places), GetParam().roots);
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, DataRootsOrder,
    ::testing::Values(
        RootsRow{"InstalledWhereConfigured",
                 {"/usr/bin", "/usr/share/vexlin", "/home/u"},
                 {"/usr/share/vexlin", "/home/u"}},
        RootsRow{"InstalledIntoAnotherPrefix",
                 {"/opt/v/bin", "/usr/local/share/vexlin", "/home/u"},
                 {"/opt/v/share/vexlin", "/usr/local/share/vexlin", "/home/u"}},
        RootsRow{"BinWithTrailingSlashAndDots",
                 {"/opt/v/./bin/", "/usr/local/share/vexlin", "/home/u"},
                 {"/opt/v/share/vexlin", "/usr/local/share/vexlin", "/home/u"}},
        RootsRow{"BuildTreeIsNoInstalledTree",
                 {"/src/vexlin/build/src/app", "/usr/local/share/vexlin", "/src/vexlin"},
                 {"/usr/local/share/vexlin", "/src/vexlin"}},
        RootsRow{"ExecutableUnknown",
                 {"", "/usr/local/share/vexlin", "/home/u"},
                 {"/usr/local/share/vexlin", "/home/u"}},
        RootsRow{"NoShareCompiledIn", {"/opt/v/bin", "", "/home/u"}, {"/opt/v/share/vexlin", "/home/u"}},
        RootsRow{"CurrentDirectoryUnknown", {"/opt/v/bin", "", ""}, {"/opt/v/share/vexlin", "."}},
        RootsRow{"StartedInsideTheShareDirectory",
                 {"/usr/bin", "/usr/share/vexlin", "/usr/share/vexlin/"},
                 {"/usr/share/vexlin"}},
        RootsRow{"StartedInsideTheShareDirectoryWithoutSlash",
                 {"/usr/bin", "/usr/share/vexlin", "/usr/share/vexlin"},
                 {"/usr/share/vexlin"}},
        RootsRow{"ProgramInTheRootBin",
                 {"/bin", "/usr/share/vexlin", "/"},
                 {"/share/vexlin", "/usr/share/vexlin", "/"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- which root a file is taken from, on a real tree
// --------------------------------------------------------

enum Place : unsigned { Exe = 1, Share = 2, Cwd = 4 };

struct LookupRow {
    const char* name;
    unsigned holdingFile;  // the roots where data/<file> exists
    unsigned existingDirs; // the roots that exist at all (always including those holding the file)
    Place expected;        // the root of the answer
};

class DataLookup : public ::testing::TestWithParam<LookupRow> {};

TEST_P(DataLookup, TakesTheBestRootThatHoldsTheFileElseNamesTheBestExistingOne) {
    const LookupRow& row = GetParam();
    const vexlin::testing::TempDir temp("vexlin-data");
    const fs::path prefix = temp.path() / "prefix";
    fs::create_directories(prefix / "bin");
    const fs::path roots[] = {prefix / "share" / "vexlin", temp.path() / "configured" / "share" / "vexlin",
                              temp.path() / "cwd"};
    const unsigned bits[] = {Exe, Share, Cwd};
    for (int i = 0; i < 3; ++i) {
        if ((row.existingDirs | row.holdingFile) & bits[i]) {
            fs::create_directories(roots[i] / "data" / "model");
        }
        if (row.holdingFile & bits[i]) {
            std::ofstream(roots[i] / "data" / "model" / "a.md3") << "x";
        }
    }
    const auto order = dataRoots({prefix / "bin", roots[1], roots[2]});
    ASSERT_EQ(order.size(), 3u);

    const fs::path expectedRoot = roots[row.expected == Exe ? 0 : row.expected == Share ? 1 : 2];
    EXPECT_EQ(resolveDataPath("data\\model\\a.md3", order), expectedRoot / "data/model/a.md3");
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, DataLookup,
    ::testing::Values(LookupRow{"OnlyBesideTheProgram", Exe, 0, Exe},
                      LookupRow{"OnlyInTheCompiledInShare", Share, Exe, Share},
                      LookupRow{"OnlyInTheCurrentDirectory", Cwd, Exe | Share, Cwd},
                      LookupRow{"ProgramBeatsShare", Exe | Share, 0, Exe},
                      LookupRow{"ProgramBeatsCurrentDirectory", Exe | Cwd, 0, Exe},
                      LookupRow{"ShareBeatsCurrentDirectory", Share | Cwd, Exe, Share},
                      LookupRow{"EverywhereTakesTheProgramsOwn", Exe | Share | Cwd, 0, Exe},
                      LookupRow{"NowhereNamesTheProgramsOwn", 0, Exe | Share | Cwd, Exe},
                      LookupRow{"NowhereAndNoInstalledTreeNamesTheShare", 0, Share | Cwd, Share},
                      LookupRow{"NowhereButTheSourceTreeNamesIt", 0, Cwd, Cwd}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFiles, NoRootsLeavesThePathRelative) {
    EXPECT_EQ(resolveDataPath("data\\klava.bmp", {}), fs::path("data/klava.bmp"));
}

TEST(DataFiles, NothingThereAtAllNamesTheFirstRoot) {
    EXPECT_EQ(resolveDataPath("data/x.mp3", {"/nonexistent-a", "/nonexistent-b"}),
              fs::path("/nonexistent-a/data/x.mp3"));
}

// --- where the modules are looked for: a build tree, an installed tree moved elsewhere, the configured one
// --

struct ModuleDirsRow {
    const char* name;
    fs::path executableDirectory;
    fs::path compiledIn;
    std::vector<fs::path> directories;
};

class ModuleDirectoriesOrder : public ::testing::TestWithParam<ModuleDirsRow> {};

TEST_P(ModuleDirectoriesOrder, AreListedBestFirstWithoutRepeats) {
    EXPECT_EQ(moduleDirectories(GetParam().executableDirectory, GetParam().compiledIn),
              GetParam().directories);
}

INSTANTIATE_TEST_SUITE_P(
    DataFiles, ModuleDirectoriesOrder,
    ::testing::Values(
        ModuleDirsRow{"BuildTreeBesideTheProgram",
                      "/src/vexlin/build/src/app",
                      "/usr/local/lib/vexlin/modules",
                      {"/src/vexlin/build/src/app", "/usr/local/lib/vexlin/modules"}},
        ModuleDirsRow{"InstalledWhereConfigured",
                      "/usr/bin",
                      "/usr/lib/vexlin/modules",
                      {"/usr/bin", "/usr/lib/vexlin/modules"}},
        ModuleDirsRow{"InstalledIntoAnotherPrefix",
                      "/opt/v/./bin/",
                      "/usr/local/lib/vexlin/modules",
                      {"/opt/v/bin", "/opt/v/lib/vexlin/modules", "/usr/local/lib/vexlin/modules"}},
        ModuleDirsRow{"ExecutableUnknown", "", "/usr/lib/vexlin/modules", {"/usr/lib/vexlin/modules"}},
        ModuleDirsRow{"NothingKnown", "", "", {}}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
