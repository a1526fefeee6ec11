#include "gfx/OpenGlMissing.h"

#include <gtest/gtest.h>
#include <string>

using vexlin::gfx::openGlMissingText;
using vexlin::gfx::OpenGlStep;

namespace {

struct Row {
    const char* name;
    const char* platform;
    OpenGlStep step;
    const char* startsWith;
    bool namesEgl;
};

class OpenGlMissing : public ::testing::TestWithParam<Row> {};

TEST_P(OpenGlMissing, NamesWhatIsMissingOnThePlatform) {
    const Row& row = GetParam();
    const std::string text = openGlMissingText(row.platform, row.step);
    EXPECT_EQ(text.rfind(row.startsWith, 0), 0u) << text;
    EXPECT_EQ(text.find("EGL") != std::string::npos, row.namesEgl) << text;
    EXPECT_NE(text.find("производительности не будет работать"), std::string::npos) << text;
}

INSTANTIATE_TEST_SUITE_P(
    Gfx, OpenGlMissing,
    ::testing::Values(
        Row{"X11Create", "xcb", OpenGlStep::CreateContext, "Не удалось создать контекст OpenGL", false},
        Row{"X11MakeCurrent", "xcb", OpenGlStep::MakeCurrent, "Не удалось включить контекст OpenGL", false},
        Row{"WaylandCreate", "wayland", OpenGlStep::CreateContext, "Сеанс Wayland не предоставляет", true},
        Row{"WaylandMakeCurrent", "wayland", OpenGlStep::MakeCurrent, "Сеанс Wayland не предоставляет", true},
        Row{"WaylandEglNamedExplicitly", "wayland-egl", OpenGlStep::CreateContext, "Сеанс Wayland", true},
        Row{"Offscreen", "offscreen", OpenGlStep::CreateContext, "Не удалось создать контекст OpenGL", false},
        Row{"NoPlatformName", "", OpenGlStep::MakeCurrent, "Не удалось включить контекст OpenGL", false},
        Row{"ShorterThanWayland", "way", OpenGlStep::CreateContext, "Не удалось создать", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
