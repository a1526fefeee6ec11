#include "audio/SoundModule.h"

#include "platform/NormalPriorityLane.h"
#include "support/ModuleFiles.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;
using namespace vexlin;

namespace {

// --- what the program says when the module is missing or wrong: no sound, and the reason ----------------

struct RefusedRow {
    const char* name;
    fs::path module;         // relative: a file the test makes in a temporary directory
    const char* fileContent; // null: no such file
    const char* reason;
};

class RefusedModule : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedModule, LeavesAServiceWithoutSoundThatSaysWhy) {
    const RefusedRow& row = GetParam();
    vexlin::testing::TempDir dir;
    const fs::path module = vexlin::testing::refusedModuleFile(dir.path(), row.module, row.fileContent);
    platform::NormalPriorityLane lane;
    const auto sound = audio::loadSoundService(&lane, module);
    const std::string message = sound->openMusic("tune.mp3");
    EXPECT_EQ(message.rfind("Звук недоступен: ", 0), 0u) << message;
    EXPECT_NE(message.find(row.reason), std::string::npos) << message;
    EXPECT_NE(message.find(module.string()), std::string::npos)
        << "the message names the module: " << message;
    EXPECT_EQ(sound->playMusic(true), message);
    EXPECT_EQ(sound->playClip({0, 0}, 22050), message);
    EXPECT_TRUE(sound->inputDevices().empty());
    EXPECT_FALSE(sound->musicOpen());
    bool handed = false;
    sound->startCapture({}, [&](const std::vector<std::uint8_t>&) { handed = true; });
    sound->stopCapture(true);
    EXPECT_FALSE(sound->captureOpen());
    EXPECT_FALSE(handed);
}

INSTANTIATE_TEST_SUITE_P(
    SoundModule, RefusedModule,
    ::testing::Values(
        RefusedRow{"Missing", "vexlin-sound.so", nullptr, "не загружен звуковой модуль"},
        RefusedRow{"NotALibrary", "vexlin-sound.so", "#!/bin/sh\n", "не загружен звуковой модуль"},
        RefusedRow{"Empty", "vexlin-sound.so", "", "не загружен звуковой модуль"},
        RefusedRow{"OtherVersion", STAND_IN_OTHER_VERSION, nullptr, "не от этой версии программы"},
        RefusedRow{"NoEntryPoints", STAND_IN_NO_ENTRY, nullptr, "не от этой версии программы"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundModule, AServiceThatCannotStartGivesTheModulesReason) {
    platform::NormalPriorityLane lane;
    const auto sound = audio::loadSoundService(&lane, STAND_IN_FAILING);
    EXPECT_EQ(sound->openMusic("tune.mp3"),
              "Звук недоступен: звуковая система не запустилась (no sound server).");
}

// --- a module of this build: its service is the one called, directly or loaded aside ---------------------

TEST(SoundModule, AWorkingModulesServiceAnswers) {
    platform::NormalPriorityLane lane;
    const auto direct = audio::loadSoundService(&lane, STAND_IN_WORKING);
    EXPECT_EQ(direct->openMusic("tune.mp3"), "echo tune.mp3");
    ASSERT_EQ(direct->inputDevices().size(), 1u);
    EXPECT_EQ(direct->volumeWord(), 7u);
}

TEST(SoundModule, AServiceLoadedAsideAnswersOnceLoaded) {
    platform::NormalPriorityLane lane;
    const auto aside = audio::loadSoundServiceAside(lane, STAND_IN_WORKING);
    EXPECT_EQ(aside->openMusic("tune.mp3"), "echo tune.mp3");
    EXPECT_TRUE(aside->musicOpen());
    EXPECT_EQ(aside->inputDevices().at(0).description, "echo");
}

TEST(SoundModule, AServiceLoadedAsideThatIsNeverCalledIsStillReleased) {
    platform::NormalPriorityLane lane;
    { const auto aside = audio::loadSoundServiceAside(lane, STAND_IN_WORKING); }
    SUCCEED(); // the loading thread was joined: no terminate on a joinable thread
}

TEST(SoundModule, AMissingModuleLoadedAsideSaysWhy) {
    platform::NormalPriorityLane lane;
    const auto aside = audio::loadSoundServiceAside(lane, "/nonexistent/vexlin-sound.so");
    EXPECT_NE(aside->openMusic("tune.mp3").find("/nonexistent/vexlin-sound.so"), std::string::npos);
}

} // namespace
