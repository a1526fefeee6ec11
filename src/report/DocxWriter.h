#pragma once

#include "report/ReportContent.h"

#include <string>
#include <vector>

// The report as a WordprocessingML package (.docx): a zip of XML parts that Word, LibreOffice and pandoc
// open.  The operations are first laid out into paragraphs of runs, each run with its own font, size and
// bold, each paragraph with its alignment; the package is then written from that layout.
namespace vexlin::report {

struct RunFormat {
    std::string font = "Times New Roman";
    int size = 12;
    bool bold = false;

    bool operator==(const RunFormat&) const = default;
};

struct Run {
    RunFormat format;
    std::string text;       // empty for a line break
    bool lineBreak = false; // a break inside the paragraph

    bool operator==(const Run&) const = default;
};

struct Paragraph {
    Alignment alignment = Alignment::Left;
    std::vector<Run> runs;
    RunFormat mark; // the format in force when the paragraph began: an empty line keeps its height
};

// One flow of text: the header, the footer or the body.
struct Story {
    std::vector<Paragraph> paragraphs;
};

struct DocumentLayout {
    Story header;
    Story footer;
    Story body;
};

// Carries out the operations: the format chosen applies to what is typed next, the alignment to the
// paragraph being typed (and to those that follow it), a paragraph break starts a new paragraph.
DocumentLayout layOut(const std::vector<ReportOp>& ops);

struct DocumentProperties {
    std::string title;
    std::string creator;
    std::string createdUtc; // W3C date and time, "2026-12-09T02:55:13Z"
};

// The package's bytes.  Text that XML cannot carry (control characters, broken UTF-8) is replaced, so the
// package is always well-formed.  Throws std::runtime_error when the zip cannot be built.
std::string docxPackage(const DocumentLayout& layout, const DocumentProperties& properties);

// What XML 1.0 can hold: valid UTF-8 without control characters other than tab; the rest becomes U+FFFD
// (broken bytes) or is dropped (controls).
std::string xmlSafeText(const std::string& text);

} // namespace vexlin::report
