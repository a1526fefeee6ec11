#include "report/ReportModule.h"

#include "Unzip.h"
#include "report/ReportContent.h"
#include "support/ModuleFiles.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;
using namespace vexlin;

namespace {

report::DocumentLayout aLayout() {
    return report::layOut({{report::ReportOp::Kind::Text, "Отчёт.", 0}, {report::ReportOp::Kind::Paragraph}});
}

const report::DocumentProperties kProperties{"Отчёт Vexlin", "Vexlin 0.7.1", "2026-12-09T02:55:13Z"};

// Part by part: the zip's entries carry the time they were made.
TEST(ReportModule, BuildsTheSamePackageAsTheWriterItHolds) {
    const auto layout = aLayout();
    const auto packed = report::docxPackageFromModule(REPORT_MODULE, layout, kProperties);
    ASSERT_TRUE(packed.ok()) << packed.error;
    EXPECT_EQ(report::unzip(packed.bytes), report::unzip(report::docxPackage(layout, kProperties)));
}

// --- what the program says when the module is missing or wrong: no report, and the reason --------------

struct RefusedRow {
    const char* name;
    fs::path module;         // relative: a file the test makes in a temporary directory
    const char* fileContent; // null: no such file
    const char* reason;
    bool namesModule; // a refused module is named with its path, so that the user can find it
};

class RefusedReportModule : public ::testing::TestWithParam<RefusedRow> {};

TEST_P(RefusedReportModule, GivesNoBytesAndSaysWhy) {
    const RefusedRow& row = GetParam();
    vexlin::testing::TempDir dir;
    const fs::path module = vexlin::testing::refusedModuleFile(dir.path(), row.module, row.fileContent);
    const auto packed = report::docxPackageFromModule(module, aLayout(), kProperties);
    EXPECT_FALSE(packed.ok());
    EXPECT_TRUE(packed.bytes.empty()) << "half a package is not saved";
    EXPECT_EQ(packed.error.rfind("Отчёт не записан: ", 0), 0u) << packed.error;
    EXPECT_NE(packed.error.find(row.reason), std::string::npos) << packed.error;
    if (row.namesModule) {
        EXPECT_NE(packed.error.find(module.string()), std::string::npos) << packed.error;
        EXPECT_NE(packed.error.find("Переустановите программу."), std::string::npos) << packed.error;
    }
}

INSTANTIATE_TEST_SUITE_P(
    ReportModule, RefusedReportModule,
    ::testing::Values(
        RefusedRow{"Missing", "vexlin-report.so", nullptr, "не загружен модуль отчёта программы", true},
        RefusedRow{"NotALibrary", "vexlin-report.so", "#!/bin/sh\n", "не загружен модуль отчёта программы",
                   true},
        RefusedRow{"OtherVersion", STAND_IN_OTHER_VERSION, nullptr, "не от этой версии программы", true},
        RefusedRow{"NoPackageFunction", STAND_IN_NO_ENTRY, nullptr, "не от этой версии программы", true},
        RefusedRow{"CannotBuild", STAND_IN_FAILING, nullptr, "docx: cannot add word/document.xml", false}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
