#include "platform/CaseInsensitivePath.h"

#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace vexlin::platform {
namespace {

namespace fs = std::filesystem;

struct LookupCase {
    std::string name;
    std::vector<std::string> files; // made below the temporary directory
    std::string asked;
    std::string found; // "" when the path must come back as asked
};

class CaseInsensitiveLookup : public ::testing::TestWithParam<LookupCase> {};

TEST_P(CaseInsensitiveLookup, FindsThePacksSpelling) {
    const vexlin::testing::TempDir dir("vexlin-case");
    for (const auto& file : GetParam().files) {
        fs::create_directories((dir.path() / file).parent_path());
        std::ofstream(dir.path() / file) << "x";
    }
    const fs::path asked = dir.path() / GetParam().asked;
    const fs::path want = GetParam().found.empty() ? asked : dir.path() / GetParam().found;
    EXPECT_EQ(resolveCaseInsensitive(asked), want);
}

INSTANTIATE_TEST_SUITE_P(
    Packs, CaseInsensitiveLookup,
    ::testing::Values(
        LookupCase{"ExactNameWins", {"m/lower.tga", "m/Lower.tga"}, "m/lower.tga", "m/lower.tga"},
        LookupCase{"FileInOtherCase", {"m/Lower.TGA"}, "m/lower.tga", "m/Lower.TGA"},
        LookupCase{"FolderInOtherCase",
                   {"Data/Model/Sarge/head.md3"},
                   "data/model/sarge/head.md3",
                   "Data/Model/Sarge/head.md3"},
        LookupCase{"FolderAndFileInOtherCase",
                   {"Model/HEAD_DEFAULT.SKIN"},
                   "model/head_default.skin",
                   "Model/HEAD_DEFAULT.SKIN"},
        LookupCase{"SeveralSpellingsTakeTheFirstInByteOrder",
                   {"m/UPPER.tga", "m/Upper.tga"},
                   "m/upper.tga",
                   "m/UPPER.tga"},
        LookupCase{"MissingFileComesBackAsAsked", {"m/lower.tga"}, "m/upper.tga", ""},
        LookupCase{"MissingFolderComesBackAsAsked", {"m/lower.tga"}, "n/lower.tga", ""},
        LookupCase{"OnlyALongerNameIsNoMatch", {"m/lower.tga.bak"}, "m/lower.tga", ""},
        LookupCase{"LettersOnlyNotOtherCharacters", {"m/lower-1.tga"}, "m/lower_1.tga", ""}),
    [](const auto& info) { return info.param.name; });

TEST(CaseInsensitiveLookup, RelativePathsAreLookedUpFromTheCurrentDirectory) {
    const vexlin::testing::TempDir dir("vexlin-case");
    fs::create_directories(dir.path() / "Data");
    std::ofstream(dir.path() / "Data" / "Music.MP3") << "x";
    const fs::path before = fs::current_path();
    fs::current_path(dir.path());
    const fs::path found = resolveCaseInsensitive("data/music.mp3");
    fs::current_path(before);
    EXPECT_EQ(found, fs::path("Data/Music.MP3"));
}

} // namespace
} // namespace vexlin::platform
