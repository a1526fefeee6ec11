#include "report/ReportModule.h"

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

TEST(ReportModule, BuildsTheSamePackageAsTheWriterItHolds) {
    const auto layout = aLayout();
    const auto packed = report::docxPackageFromModule(REPORT_MODULE, layout, kProperties);
    ASSERT_TRUE(packed.ok()) << packed.error;
    EXPECT_EQ(packed.bytes, report::docxPackage(layout, kProperties));
}

// --- what the program says when the module is missing or wrong: no report, and the reason --------------

struct RefusedRow {
    const char* name;
    fs::path module;         // relative: a file the test makes in a temporary directory
    const char* fileContent; // null: no such file
    const char* reason;
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
}

INSTANTIATE_TEST_SUITE_P(
    ReportModule, RefusedReportModule,
    ::testing::Values(
        RefusedRow{"Missing", "vexlin-report.so", nullptr, "не загружен модуль отчёта программы"},
        RefusedRow{"NotALibrary", "vexlin-report.so", "#!/bin/sh\n", "не загружен модуль отчёта программы"},
        RefusedRow{"OtherVersion", STAND_IN_OTHER_VERSION, nullptr, "не от этой версии программы"},
        RefusedRow{"NoPackageFunction", STAND_IN_NO_ENTRY, nullptr, "не от этой версии программы"},
        RefusedRow{"CannotBuild", STAND_IN_FAILING, nullptr, "docx: cannot add word/document.xml"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportModule, AMissingModuleIsNamedWithItsPathAndWhatToDo) {
    const auto packed =
        report::docxPackageFromModule("/nonexistent/vexlin-report.so", aLayout(), kProperties);
    EXPECT_NE(packed.error.find("/nonexistent/vexlin-report.so"), std::string::npos) << packed.error;
    EXPECT_NE(packed.error.find("Переустановите программу."), std::string::npos) << packed.error;
}

} // namespace
