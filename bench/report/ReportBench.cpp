// Writing the report when "Генерация отчета" is pressed: the layout, the .docx package, the JSON twin and
// saving both, for a laptop-sized inventory with a full results section.  Budget: under 50 ms.
#include "platform/NewFiles.h"
#include "report/DocxWriter.h"
#include "report/ReportJson.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>

namespace {

using namespace vexlin::report;

ReportRecord laptopRecord() {
    ReportRecord r;
    r.programVersion = "0.7.1";
    r.createdLocal = "2026-12-09T05:55:13+03:00";
    auto& in = r.shown;
    in.systemCaption = "Информация о системе";
    in.osName = "Debian GNU/Linux 12 (bookworm) ";
    in.osVersion = "6.1";
    in.osBuild = "Build 28";
    in.dos = {"Dos", "Linux 6.1.0-28-amd64"};
    in.computerName = {"Имя компьютера", "thinkpad-x1"};
    in.userName = {"Имя пользователя", "engineer"};
    in.biosVersion = {"Версия BIOS", "LENOVO\nN2HET70W (1.53 )"};
    in.biosDate = {"Дата BIOS", "07/21/2022"};
    in.processorCaption = "Информация о процессоре";
    for (int i = 0; i < 24; ++i) {
        in.processorLines.push_back("Строка процессора " + std::to_string(i) + ": значение");
    }
    in.computerCaption = "Информация о компьютере";
    in.memory = {"Оперативная память", "16 072 392 KB"};
    in.partitions = {"Диски:", "/ 465 Гб из 931 Гб", "/home 120 Гб из 200 Гб"};
    in.drives = {"Установленные приводы", "/dev/sr0"};
    in.soundCard = {"Звуковая карта", "Есть"};
    in.serialPorts = {"COM порты", "/dev/ttyS4 /dev/ttyUSB0"};
    in.displayCaption = "Информация о экране и видеокарте";
    in.resolution = {"Разрешение матрицы", "1920x1080"};
    in.colours = {"Цветовая палитра", "32 бит"};
    in.adapters = {"   Видео адаптер", {"Intel Iris Xe", "NVIDIA GeForce RTX 3050"}};
    for (int i = 0; i < 60; ++i) {
        in.displayModes.lines.push_back(std::to_string(640 + 20 * i) + "x480, 32 бит");
    }
    in.averageFps = 57.5L;
    in.averageCpuMhz = 2599.99L;
    for (int i = 0; i < 12; ++i) {
        in.captureCapabilities.push_back("44.1 kHz, Стерео, 16-бит");
    }
    for (int i = 0; i < 30; ++i) {
        in.results.push_back({"battery",
                              "k" + std::to_string(i),
                              "Проверка " + std::to_string(i),
                              "38,2 Втч",
                              "Износ батареи: 31 %",
                              vexlin::results::Verdict::Warning,
                              {{"wear_percent", 31.0, "%"}, {"design_wh", 52.0, "Wh"}}});
    }
    r.machine.memoryBytes = 16072392ULL * 1024;
    r.machine.displayModes.resize(60);
    return r;
}

void BM_WriteReport(benchmark::State& state) {
    const auto record = laptopRecord();
    char pattern[] = "/tmp/vexlin-report-bench-XXXXXX";
    const std::filesystem::path folder = ::mkdtemp(pattern);
    std::size_t bytes = 0;
    for (auto _ : state) {
        const auto layout = layOut(reportOperations(record.shown));
        auto docx = docxPackage(layout, {"Отчёт Vexlin", "Vexlin 0.7.1", "2026-12-09T02:55:13Z"});
        auto json = reportJson(record);
        bytes = docx.size() + json.size();
        const auto saved = vexlin::platform::saveNewFiles(
            folder, "Отчёт", {{".docx", std::move(docx)}, {".json", std::move(json)}});
        benchmark::DoNotOptimize(saved.saved);
        state.PauseTiming();
        for (const auto& path : saved.paths) {
            std::filesystem::remove(path);
        }
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_WriteReport)->Unit(benchmark::kMillisecond);

void BM_BuildPackageOnly(benchmark::State& state) {
    const auto record = laptopRecord();
    for (auto _ : state) {
        benchmark::DoNotOptimize(docxPackage(layOut(reportOperations(record.shown)), {"t", "c", "d"}));
    }
}
BENCHMARK(BM_BuildPackageOnly)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
