#include "app/ToolMessage.h"

#include <gtest/gtest.h>

namespace {

struct MessageCase {
    const char* name;
    std::vector<std::string> lookedFor;
    const char* text;
};

class MissingTool : public testing::TestWithParam<MessageCase> {};

TEST_P(MissingTool, NamesWhatWasLookedFor) {
    EXPECT_EQ(vexlin::missingToolText("Редактор реестра", GetParam().lookedFor), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, MissingTool,
    testing::Values(
        MessageCase{"NothingStandsForIt", {}, "«Редактор реестра»: в этой системе нет подходящей программы."},
        MessageCase{"OneProgram",
                    {"dconf-editor"},
                    "«Редактор реестра»: не удалось запустить ни одну из программ: dconf-editor. "
                    "Установите одну из них."},
        MessageCase{"SeveralInOrder",
                    {"dconf-editor", "kconfigeditor", "gconf-editor"},
                    "«Редактор реестра»: не удалось запустить ни одну из программ: dconf-editor, "
                    "kconfigeditor, gconf-editor. Установите одну из них."}),
    [](const testing::TestParamInfo<MessageCase>& info) { return std::string(info.param.name); });

} // namespace
