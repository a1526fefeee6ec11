#include "report/ReportContent.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace vexlin::report {
namespace {

// The operations as one line of text a reader can compare: {H}/{F}/{Bd} places, <Arial>, #12 size, + and -
// bold, |C| and |L| alignment, ¶ paragraph, ↵ line break; typed text as it is.
std::string flatten(const std::vector<ReportOp>& ops) {
    std::string out;
    for (const auto& op : ops) {
        switch (op.kind) {
        case ReportOp::Kind::Place:
            out += op.number == 1 ? "{H}" : op.number == 2 ? "{F}" : "{Bd}";
            break;
        case ReportOp::Kind::Font:
            out += "<" + op.text + ">";
            break;
        case ReportOp::Kind::Size:
            out += "#" + std::to_string(op.number);
            break;
        case ReportOp::Kind::Bold:
            out += op.number ? "+" : "-";
            break;
        case ReportOp::Kind::Align:
            out += op.number ? "|C|" : "|L|";
            break;
        case ReportOp::Kind::Text:
            out += op.text;
            break;
        case ReportOp::Kind::LineBreak:
            out += "↵";
            break;
        case ReportOp::Kind::Paragraph:
            out += "¶";
            break;
        }
    }
    return out;
}

// An inventory with every caption the main window shows and no values, as before its first activation.
ReportInputs emptyInventory() {
    ReportInputs in;
    in.systemCaption = "Информация о системе";
    in.osName = "Microsoft® Windows ";
    in.dos = {"Dos", ""};
    in.computerName = {"Имя компьютера", ""};
    in.userName = {"Имя пользователя", ""};
    in.biosVersion = {"Версия BIOS", ""};
    in.biosDate = {"Дата BIOS", ""};
    in.processorCaption = "Информация о процессоре";
    in.computerCaption = "Информация о компьютере";
    in.memory = {"Оперативная память", ""};
    in.drives = {"Установленные приводы", ""};
    in.soundCard = {"Звуковая карта", ""};
    in.serialPorts = {"COM порты", ""};
    in.displayCaption = "Информация о экране и видеокарте";
    in.resolution = {"Разрешение матрицы", ""};
    in.colours = {"Цветовая палитра", ""};
    in.adapters = {"   Видео адаптер", {}};
    in.displayModes = {"   Список доступных режимов", {}};
    return in;
}

const std::string kHeaderAndTitle = "{H}<Times New Roman>#12+|C|" + reportHeaderLine() + "{F}" +
                                    reportFooterLine() + "{Bd}<Arial>#24+|C|Отчёт.¶|L|<Arial>#12+";

TEST(ReportOperations, EmptyInventoryBeforeAnyFullTest) {
    const std::string expected =
        kHeaderAndTitle +
        "#12+Информация о системе#10¶¶"
        // Label1 keeps its trailing blank: two blanks stand between the name and the empty version.
        "+Операционная система: -Microsoft® Windows   ¶¶"
        "+Dos: -¶¶+Имя компьютера: -¶¶+Имя пользователя: -¶¶"
        "+Версия BIOS: ¶-¶"
        "+Дата BIOS: -¶¶"
        "#12+Информация о процессоре#10-¶¶¶"
        "#12+Информация о компьютере#10¶¶"
        "+Оперативная память: -¶¶"
        "+¶"
        "+Установленные приводы: -¶¶+Звуковая карта: -¶¶+COM порты: -¶¶"
        "#12+Информация о экране и видеокарте#10¶¶"
        "+Разрешение матрицы: -¶¶+Цветовая палитра: -¶¶"
        "+   Видео адаптер: ¶-¶"
        "+   Список доступных режимов: ¶-¶"
        "#12+Результаты тестов:#10¶¶"
        "+Тест производительности: -  0.00 FPS¶¶"
        "+Реальная частота процессора: -  0.00 MHz¶¶"
        // An empty capability list ends the described content with the bare label.
        "+Возможности звукозаписи: -"
        "¶¶#12+Итоги проверки#10¶¶-Результатов нет.";
    EXPECT_EQ(flatten(reportOperations(emptyInventory())), expected);
}

// A performance part that drew no frame says so in both places, never 0.00 FPS.
TEST(ReportOperations, PerformanceNotRunIsNoFrameRate) {
    ReportInputs in = emptyInventory();
    results::ResultLine line;
    line.source = "full_test";
    line.key = "average_fps";
    line.what = "Тест производительности";
    line.value = "не выполнен";
    line.verdict = "OpenGL недоступен";
    line.facts = {{"not_run_reason", std::string("OpenGL недоступен"), ""}};
    in.results = {line};
    const std::string text = flatten(reportOperations(in));
    EXPECT_NE(text.find("+Тест производительности: -не выполнен¶¶"), std::string::npos) << text;
    EXPECT_EQ(text.find("FPS"), std::string::npos) << text;
    EXPECT_NE(text.find("+Тест производительности: -не выполнен — OpenGL недоступен"), std::string::npos);
    EXPECT_EQ(notRunReason(in.results, "average_fps"), "OpenGL недоступен");
    EXPECT_EQ(notRunReason(in.results, "average_cpu_mhz"), "");
}

TEST(ReportOperations, FilledInventoryInTheOrderOfThePage) {
    ReportInputs in = emptyInventory();
    in.osName = "Debian GNU/Linux 12 (bookworm) ";
    in.osVersion = "6.1";
    in.osBuild = "Build 28";
    in.biosVersion.value = "SeaBIOS\nrel-1.16\r\n";
    in.processorLines = {"Производитель: GenuineIntel", "Модель: 85"};
    in.partitions = {"Диски:", "/ 20 Гб"};
    in.adapters.lines = {"Intel UHD 620"};
    in.displayModes.lines = {"1920x1080, 32 бит", "1280x1024, 32 бит"};
    in.averageFps = 57.5L;
    in.averageCpuMhz = 2599.996L;
    in.captureCapabilities = {"11.025 kHz, Моно, 8-бит", "44.1 kHz, Стерео, 16-бит"};
    in.results.push_back({"full_test", "average_fps", "Тест производительности", "57,50 FPS", "", {}, {}});
    in.results.push_back({"battery",
                          "BAT0.wear",
                          "Батарея BAT0",
                          "31 %",
                          "Износ батареи: 31 %",
                          results::Verdict::Warning,
                          {}});
    const std::string flat = flatten(reportOperations(in));

    const auto expectInOrder = [&](const std::vector<std::string>& pieces) {
        std::size_t at = 0;
        for (const auto& piece : pieces) {
            const auto found = flat.find(piece, at);
            ASSERT_NE(found, std::string::npos) << "missing or out of order: " << piece << "\nin: " << flat;
            at = found + piece.size();
        }
    };
    expectInOrder({
        "+Операционная система: -Debian GNU/Linux 12 (bookworm)  6.1 Build 28¶¶",
        "+Версия BIOS: ¶-SeaBIOS↵rel-1.16↵¶",
        "#12+Информация о процессоре#10-¶Производитель: GenuineIntel↵Модель: 85↵¶¶",
        "+Диски:↵/ 20 Гб↵¶",
        "+   Видео адаптер: ¶-Intel UHD 620↵¶",
        "+   Список доступных режимов: ¶-1920x1080, 32 бит↵1280x1024, 32 бит↵¶",
        "+Тест производительности: - 57.50 FPS¶¶",
        "+Реальная частота процессора: -2600.00 MHz¶¶",
        "+Возможности звукозаписи: -11.025 kHz, Моно, 8-бит↵44.1 kHz, Стерео, 16-бит↵",
        "¶¶#12+Итоги проверки#10¶¶",
        // Grouped as on the page, the battery first, each verdict with its sign.
        "#12+Батарея#10¶+Батарея BAT0: -31 % — ⚠ Износ батареи: 31 %¶¶",
        "#12+Полный тест#10¶+Тест производительности: -57,50 FPS",
    });
    EXPECT_EQ(flat.substr(flat.size() - std::string("57,50 FPS").size()), "57,50 FPS")
        << "the last result ends the document without a trailing break";
}

TEST(ReportOperations, DrivesGetTheirOwnSectionAfterTheResults) {
    ReportInputs in = emptyInventory();
    in.results.push_back({"drives",
                          "nvme0n1.drive",
                          "Накопитель nvme0n1",
                          "SAMSUNG MZVL21T0HCLR-00B00, NVMe",
                          "Изношен на 16 %",
                          results::Verdict::Good,
                          {}});
    in.results.push_back({"battery", "BAT0.wear", "Батарея BAT0", "31 %", "", results::Verdict::Warning, {}});
    in.results.push_back({"drives",
                          "vda.drive",
                          "Накопитель vda",
                          "",
                          "виртуальный диск: сведений о здоровье нет",
                          results::Verdict::None,
                          {}});
    const std::string flat = flatten(reportOperations(in));
    const std::string expectedEnd =
        "¶¶#12+Итоги проверки#10¶¶#12+Батарея#10¶+Батарея BAT0: -31 %"
        "¶¶#12+Накопители#10¶¶"
        "+Накопитель nvme0n1: -SAMSUNG MZVL21T0HCLR-00B00, NVMe — ✓ Изношен на 16 %¶"
        "+Накопитель vda: -виртуальный диск: сведений о здоровье нет";
    ASSERT_GE(flat.size(), expectedEnd.size());
    EXPECT_EQ(flat.substr(flat.size() - expectedEnd.size()), expectedEnd);

    // Drives alone: the results section says there are none, and the drives follow.
    in.results.erase(in.results.begin() + 1);
    const std::string onlyDrives = flatten(reportOperations(in));
    EXPECT_NE(onlyDrives.find("#12+Итоги проверки#10¶¶-Результатов нет.¶¶#12+Накопители#10¶¶"),
              std::string::npos)
        << onlyDrives;
}

TEST(ReportOperations, HeaderNamesProgramVersionAndMaker) {
    EXPECT_EQ(reportHeaderLine().rfind("Vexlin русская версия 0.7.1", 0), 0u);
    EXPECT_GT(reportHeaderLine().size(), std::string("Vexlin русская версия 0.7.1").size());
    EXPECT_FALSE(reportFooterLine().empty());
}

struct NumberRow {
    const char* name;
    long double value;
    const char* expected;
};

class ResultNumber : public ::testing::TestWithParam<NumberRow> {};

TEST_P(ResultNumber, SixWideTwoDecimalsAndAPoint) {
    EXPECT_EQ(resultNumberText(GetParam().value, "FPS"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ResultNumber,
    ::testing::Values(NumberRow{"zero", 0.0L, "  0.00 FPS"}, NumberRow{"oneBlank", 57.5L, " 57.50 FPS"},
                      NumberRow{"roundsHalfUp", 59.996L, " 60.00 FPS"},
                      NumberRow{"exactlySix", 599.5L, "599.50 FPS"},
                      NumberRow{"widerThanSix", 123456.7L, "123456.70 FPS"},
                      NumberRow{"negative", -1.5L, " -1.50 FPS"},
                      NumberRow{"infinite", std::numeric_limits<long double>::infinity(), "   inf FPS"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::report
