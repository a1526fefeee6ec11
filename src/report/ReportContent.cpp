#include "report/ReportContent.h"

#include "report/FullTestSequencer.h"
#include "results/ResultGroups.h"
#include "text/Maker.h"

#include <charconv>
#include <system_error>

namespace vexlin::report {

namespace {

// Types operations the way the report's rows are described: headings at 12 points bold and the body at 10,
// a label bold and its value plain.
class Typist {
public:
    std::vector<ReportOp> ops;

    void place(Place where) { add(ReportOp::Kind::Place, {}, static_cast<int>(where)); }
    void font(const char* name) { add(ReportOp::Kind::Font, name, 0); }
    void size(int points) { add(ReportOp::Kind::Size, {}, points); }
    void bold(bool on) { add(ReportOp::Kind::Bold, {}, on ? 1 : 0); }
    void align(Alignment alignment) { add(ReportOp::Kind::Align, {}, static_cast<int>(alignment)); }
    void lineBreak() { add(ReportOp::Kind::LineBreak, {}, 0); }

    void type(const std::string& text) {
        if (!text.empty()) {
            add(ReportOp::Kind::Text, text, 0);
        }
    }

    void breaks(int count) {
        for (int i = 0; i < count; ++i) {
            add(ReportOp::Kind::Paragraph, {}, 0);
        }
    }

    void heading(const std::string& caption, int breaksAfter) {
        size(12);
        bold(true);
        type(caption);
        size(10);
        breaks(breaksAfter);
    }

    void labelled(const std::string& label, const std::string& value, int breaksAfter) {
        bold(true);
        type(label + ": ");
        bold(false);
        typeLines(value);
        breaks(breaksAfter);
    }

    void labelled(const LabelledText& field, int breaksAfter) {
        labelled(field.label, field.value, breaksAfter);
    }

    // A multi-line text (the BIOS memo) keeps its lines as line breaks inside the paragraph.
    void typeLines(const std::string& text) {
        std::size_t start = 0;
        while (true) {
            const auto end = text.find('\n', start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            type(line);
            if (end == std::string::npos) {
                return;
            }
            lineBreak();
            start = end + 1;
        }
    }

    // A list's value: every line, each ended by a line break.
    void list(const std::vector<std::string>& lines) {
        for (const auto& line : lines) {
            type(line);
            lineBreak();
        }
    }

    void labelledList(const LabelledLines& field, int breaksAfter) {
        bold(true);
        type(field.label + ": ");
        breaks(1);
        bold(false);
        list(field.lines);
        breaks(breaksAfter);
    }

private:
    void add(ReportOp::Kind kind, std::string text, int number) {
        ops.push_back(ReportOp{kind, std::move(text), number});
    }
};

void typeHeaderAndFooter(Typist& t) {
    t.place(Place::Header);
    t.font("Times New Roman");
    t.size(12);
    t.bold(true);
    t.align(Alignment::Centre);
    t.type(reportHeaderLine());
    t.place(Place::Footer);
    t.type(reportFooterLine());
    t.place(Place::Body);
}

void typeTitle(Typist& t) {
    t.font("Arial");
    t.size(24);
    t.bold(true);
    t.align(Alignment::Centre);
    t.type(kReportTitle);
    t.breaks(1);
    t.align(Alignment::Left);
    t.font("Arial");
    t.size(12);
    t.bold(true);
}

void typeInventory(Typist& t, const ReportInputs& in) {
    t.heading(in.systemCaption, 2);
    t.labelled("Операционная система", in.osName + " " + in.osVersion + " " + in.osBuild, 2);
    t.labelled(in.dos, 2);
    t.labelled(in.computerName, 2);
    t.labelled(in.userName, 2);
    t.bold(true);
    t.type(in.biosVersion.label + ": ");
    t.breaks(1);
    t.bold(false);
    t.typeLines(in.biosVersion.value);
    t.breaks(1);
    t.labelled(in.biosDate, 2);

    t.heading(in.processorCaption, 0);
    t.bold(false);
    t.breaks(1);
    t.list(in.processorLines);
    t.breaks(2);

    t.heading(in.computerCaption, 2);
    t.labelled(in.memory, 2);
    t.bold(true);
    t.list(in.partitions);
    t.breaks(1);
    t.labelled(in.drives, 2);
    t.labelled(in.soundCard, 2);
    t.labelled(in.serialPorts, 2);

    t.heading(in.displayCaption, 2);
    t.labelled(in.resolution, 2);
    t.labelled(in.colours, 2);
    t.labelledList(in.adapters, 1);
    t.labelledList(in.displayModes, 1);
}

void typeTestResults(Typist& t, const ReportInputs& in) {
    t.heading("Результаты тестов:", 2);
    // Without a frame drawn the average is no measurement, whatever the counter read.
    const bool framesDrawn = notRunReason(in.results, "average_fps").empty();
    t.labelled("Тест производительности",
               framesDrawn ? resultNumberText(in.averageFps, "FPS") : std::string(kNotRun), 2);
    t.labelled("Реальная частота процессора", resultNumberText(in.averageCpuMhz, "MHz"), 2);
    t.bold(true);
    t.type("Возможности звукозаписи: ");
    t.bold(false);
    t.list(in.captureCapabilities);
}

// One paragraph per line, the verdict with the same sign as on the page; no break after the last.
void typeResultLines(Typist& t, const std::vector<const results::ResultLine*>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string value = lines[i]->value;
        const std::string verdict = results::signedVerdict(*lines[i]);
        if (!verdict.empty()) {
            value += value.empty() ? verdict : " — " + verdict;
        }
        t.labelled(lines[i]->what, value, i + 1 < lines.size() ? 1 : 0);
    }
}

// After the described content, which ends without a break: every result of the run, grouped as on the
// page "Итоги"; the drives' lines under a heading of their own after them.
void typeResultsSection(Typist& t, const ReportInputs& in) {
    std::vector<results::ResultLine> general;
    std::vector<const results::ResultLine*> drives;
    for (const auto& line : in.results) {
        if (line.source == kDrivesSource) {
            drives.push_back(&line);
        } else {
            general.push_back(line);
        }
    }
    t.breaks(2);
    t.heading(kResultsHeading, 2);
    const auto groups = results::groupedLines(general);
    if (groups.empty()) {
        t.bold(false);
        t.type(kNoResults);
    }
    for (std::size_t g = 0; g < groups.size(); ++g) {
        t.breaks(g == 0 ? 0 : 2);
        t.heading(groups[g].title, 1);
        typeResultLines(t, groups[g].lines);
    }
    if (!drives.empty()) {
        t.breaks(2);
        t.heading(kDrivesHeading, 2);
        typeResultLines(t, drives);
    }
}

} // namespace

std::string reportHeaderLine() {
    return std::string("Vexlin русская версия 0.7.1") + " — " + maker::kLine;
}

std::string reportFooterLine() {
    return std::string(maker::kLine) + ", " + maker::kSupport;
}

std::string resultNumberText(long double value, const char* unit) {
    // to_chars, not printf: a program running under a comma locale must still type the point.
    char number[128];
    const auto written = std::to_chars(number, number + sizeof number, value, std::chars_format::fixed, 2);
    std::string text(number, written.ec == std::errc{} ? written.ptr : number);
    if (text.size() < 6) {
        text.insert(0, 6 - text.size(), ' ');
    }
    return text + " " + unit;
}

std::string notRunReason(const std::vector<results::ResultLine>& lines, std::string_view key) {
    for (const auto& line : lines) {
        if (line.source != "full_test" || line.key != key) {
            continue;
        }
        for (const auto& fact : line.facts) {
            if (fact.name == kNotRunReasonFact) {
                if (const auto* reason = std::get_if<std::string>(&fact.value)) {
                    return *reason;
                }
            }
        }
    }
    return {};
}

std::vector<ReportOp> reportOperations(const ReportInputs& inputs) {
    Typist t;
    typeHeaderAndFooter(t);
    typeTitle(t);
    typeInventory(t, inputs);
    typeTestResults(t, inputs);
    typeResultsSection(t, inputs);
    return std::move(t.ops);
}

} // namespace vexlin::report
