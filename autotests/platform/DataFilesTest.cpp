#include "platform/DataFiles.h"

#include "support/TempDir.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using vexlin::platform::normaliseDataPath;
using vexlin::platform::resolveDataPath;

namespace {

TEST(DataFiles, BackSlashesBecomeSlashes) {
    EXPECT_EQ(normaliseDataPath("data\\model\\sarge\\head.md3"), "data/model/sarge/head.md3");
    EXPECT_EQ(normaliseDataPath("data/klava.bmp"), "data/klava.bmp");
}

TEST(DataFiles, FirstRootThatHoldsTheFileWinsElseTheFirstRootIsNamed) {
    const vexlin::testing::TempDir temp("vexlin-data");
    const fs::path& base = temp.path();
    const fs::path current = base / "cwd";
    const fs::path beside = base / "exe";
    fs::create_directories(current / "data");
    fs::create_directories(beside / "data" / "model");
    std::ofstream(beside / "data" / "model" / "a.md3") << "x";
    std::ofstream(current / "data" / "klava.bmp") << "x";
    std::ofstream(beside / "data" / "klava.bmp") << "x";

    const std::vector<fs::path> roots{current, beside};
    EXPECT_EQ(resolveDataPath("data\\model\\a.md3", roots), beside / "data/model/a.md3");
    EXPECT_EQ(resolveDataPath("data/klava.bmp", roots), current / "data/klava.bmp");
    EXPECT_EQ(resolveDataPath("data/none.mp3", roots), current / "data/none.mp3");
}

} // namespace
