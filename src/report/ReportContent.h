#pragma once

#include "results/ResultsStore.h"

#include <string>
#include <string_view>
#include <vector>

// What the report holds and in which order, as the operations a typist at a word processor would carry out:
// choose the font, size, bold and alignment, move to the header, footer or body, type text, end a line or a
// paragraph.  Built from the texts the main window and the audio window show, so the report says what the
// user saw.
namespace vexlin::report {

struct LabelledText {
    std::string label; // the caption of the label control, without the ": " the report adds
    std::string value;
};

struct LabelledLines {
    std::string label;
    std::vector<std::string> lines;
};

// The texts of the controls the report copies, named after what they hold.
struct ReportInputs {
    std::string systemCaption;               // GroupBox2
    std::string osName;                      // Label1: ends with a blank when there is no service-pack text
    std::string osVersion;                   // StaticText12
    std::string osBuild;                     // StaticText25
    LabelledText dos;                        // Label2, StaticText11
    LabelledText computerName;               // Label11, StaticText21
    LabelledText userName;                   // Label12, StaticText20
    LabelledText biosVersion;                // Label18, Memo1 (its lines separated by line feeds)
    LabelledText biosDate;                   // Label7, StaticText23
    std::string processorCaption;            // GroupBox3
    std::vector<std::string> processorLines; // ListBox4
    std::string computerCaption;             // GroupBox4
    LabelledText memory;                     // Label10, StaticText19
    std::vector<std::string> partitions;     // ListBox3
    LabelledText drives;                     // Label5, StaticText15
    LabelledText soundCard;                  // Label3, StaticText13
    LabelledText serialPorts;                // Label4, StaticText14
    std::string displayCaption;              // GroupBox1
    LabelledText resolution;                 // Label8, StaticText17
    LabelledText colours;                    // Label6, StaticText16
    LabelledLines adapters;                  // Label17, ListBox2
    LabelledLines displayModes;              // Label19, ListBox1
    long double averageFps = 0.0L;
    long double averageCpuMhz = 0.0L;
    std::vector<std::string> captureCapabilities; // the audio window's ListBox1
    std::vector<results::ResultLine> results;     // this run's results, in the store's order
};

enum class Place { Body, Header, Footer };
enum class Alignment { Left, Centre };

struct ReportOp {
    enum class Kind { Place, Font, Size, Bold, Align, Text, LineBreak, Paragraph };
    Kind kind;
    std::string text; // Text: what is typed; Font: the font's name
    int number = 0;   // Size: points; Bold: 0 or 1; Place and Align: the enum's value

    bool operator==(const ReportOp&) const = default;
};

inline constexpr const char* kReportTitle = "Отчёт.";
inline constexpr const char* kResultsHeading = "Итоги проверки";
inline constexpr const char* kNoResults = "Результатов нет.";
// The drives' health lines (their source in the store) get a section of their own after the results.
inline constexpr const char* kDrivesSource = "drives";
inline constexpr const char* kDrivesHeading = "Накопители";

// The header's and footer's lines: the program and version with the maker's line, and the maker's contact.
std::string reportHeaderLine();
std::string reportFooterLine();

// "%6.2f" then the unit: 57.5 FPS is " 57.50 FPS"; always a point, whatever the locale.
std::string resultNumberText(long double value, const char* unit);

std::vector<ReportOp> reportOperations(const ReportInputs& inputs);

// Why the full test's part with the result `key` ("average_fps") could not run, from its result line;
// empty when it ran, or when it has no line.
std::string notRunReason(const std::vector<results::ResultLine>& lines, std::string_view key);

} // namespace vexlin::report
