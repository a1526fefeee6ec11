#include "report/DocxWriter.h"

#include "Unzip.h"

#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <set>

namespace vexlin::report {
namespace {

struct ReadRun {
    std::string font;
    int halfPoints = 0;
    bool bold = false;
    std::string text; // "\n" for a line break
};

struct ReadParagraph {
    std::string alignment;
    std::vector<ReadRun> runs;
    std::string text() const {
        std::string all;
        for (const auto& run : runs) {
            all += run.text;
        }
        return all;
    }
};

std::vector<ReadParagraph> paragraphsOf(const std::string& xml, const char* root) {
    pugi::xml_document doc;
    const auto parsed = doc.load_buffer(xml.data(), xml.size());
    EXPECT_TRUE(parsed) << root << ": " << parsed.description();
    auto container = doc.child(root);
    if (std::string(root) == "w:document") {
        container = container.child("w:body");
    }
    std::vector<ReadParagraph> paragraphs;
    for (auto p : container.children("w:p")) {
        ReadParagraph paragraph;
        paragraph.alignment = p.child("w:pPr").child("w:jc").attribute("w:val").value();
        for (auto r : p.children("w:r")) {
            ReadRun run;
            auto rPr = r.child("w:rPr");
            run.font = rPr.child("w:rFonts").attribute("w:ascii").value();
            run.halfPoints = rPr.child("w:sz").attribute("w:val").as_int();
            run.bold = rPr.child("w:b").attribute("w:val").as_bool();
            run.text = r.child("w:br") ? "\n" : r.child("w:t").text().get();
            paragraph.runs.push_back(run);
        }
        paragraphs.push_back(paragraph);
    }
    return paragraphs;
}

ReportInputs sampleInputs() {
    ReportInputs in;
    in.systemCaption = "Информация о системе";
    in.osName = "Debian ";
    in.dos = {"Dos", "Linux 6.1"};
    in.processorCaption = "Информация о процессоре";
    in.processorLines = {"Процессор: Intel", "Частота: 2,6 ГГц"};
    in.computerCaption = "Информация о компьютере";
    in.displayCaption = "Информация о экране и видеокарте";
    in.averageFps = 57.5L;
    in.captureCapabilities = {"44.1 kHz, Стерео, 16-бит"};
    return in;
}

const DocumentProperties kProperties{"Отчёт Vexlin", "Vexlin 0.7.1", "2026-12-09T02:55:13Z"};

TEST(DocxPackage, HoldsEveryPartWellFormed) {
    const auto parts = unzip(docxPackage(layOut(reportOperations(sampleInputs())), kProperties));
    const std::set<std::string> expected{"[Content_Types].xml", "_rels/.rels",
                                         "docProps/core.xml",   "docProps/app.xml",
                                         "word/document.xml",   "word/styles.xml",
                                         "word/settings.xml",   "word/header1.xml",
                                         "word/footer1.xml",    "word/_rels/document.xml.rels"};
    std::set<std::string> names;
    for (const auto& [name, content] : parts) {
        names.insert(name);
        pugi::xml_document doc;
        EXPECT_TRUE(doc.load_buffer(content.data(), content.size())) << name << " is not well-formed";
    }
    EXPECT_EQ(names, expected);
    // Every part the relationships name is in the package, and the content types cover it.
    pugi::xml_document rels;
    rels.load_string(parts.at("word/_rels/document.xml.rels").c_str());
    for (auto rel : rels.child("Relationships").children("Relationship")) {
        EXPECT_TRUE(parts.count(std::string("word/") + rel.attribute("Target").value()))
            << rel.attribute("Target").value();
    }
    EXPECT_NE(parts.at("[Content_Types].xml").find("/word/header1.xml"), std::string::npos);
    EXPECT_NE(parts.at("docProps/core.xml").find("2026-12-09T02:55:13Z"), std::string::npos);
}

TEST(DocxPackage, RunsCarryFontSizeBoldAndAlignment) {
    const auto parts = unzip(docxPackage(layOut(reportOperations(sampleInputs())), kProperties));
    const auto body = paragraphsOf(parts.at("word/document.xml"), "w:document");
    ASSERT_GT(body.size(), 10u);

    ASSERT_EQ(body[0].runs.size(), 1u);
    EXPECT_EQ(body[0].alignment, "center");
    EXPECT_EQ(body[0].runs[0].text, "Отчёт.");
    EXPECT_EQ(body[0].runs[0].font, "Arial");
    EXPECT_EQ(body[0].runs[0].halfPoints, 48);
    EXPECT_TRUE(body[0].runs[0].bold);

    // The first heading: left, Arial 12 bold.
    EXPECT_EQ(body[1].alignment, "left");
    ASSERT_FALSE(body[1].runs.empty());
    EXPECT_EQ(body[1].runs[0].text, "Информация о системе");
    EXPECT_EQ(body[1].runs[0].halfPoints, 24);
    EXPECT_TRUE(body[1].runs[0].bold);

    // A label bold at 10 points, its value plain.
    const auto dos =
        std::find_if(body.begin(), body.end(), [](const auto& p) { return p.text() == "Dos: Linux 6.1"; });
    ASSERT_NE(dos, body.end());
    ASSERT_EQ(dos->runs.size(), 2u);
    EXPECT_TRUE(dos->runs[0].bold);
    EXPECT_FALSE(dos->runs[1].bold);
    EXPECT_EQ(dos->runs[1].halfPoints, 20);

    // A list's lines each end with a break inside the paragraph.
    const auto cpu = std::find_if(body.begin(), body.end(), [](const auto& p) {
        return p.text() == "Процессор: Intel\nЧастота: 2,6 ГГц\n";
    });
    EXPECT_NE(cpu, body.end());

    const auto fps = std::find_if(body.begin(), body.end(), [](const auto& p) {
        return p.text() == "Тест производительности:  57.50 FPS";
    });
    EXPECT_NE(fps, body.end());
}

TEST(DocxPackage, HeaderAndFooterInTimesNewRomanCentred) {
    const auto parts = unzip(docxPackage(layOut(reportOperations(sampleInputs())), kProperties));
    const auto header = paragraphsOf(parts.at("word/header1.xml"), "w:hdr");
    const auto footer = paragraphsOf(parts.at("word/footer1.xml"), "w:ftr");
    ASSERT_EQ(header.size(), 1u);
    ASSERT_EQ(footer.size(), 1u);
    EXPECT_EQ(header[0].text(), reportHeaderLine());
    EXPECT_EQ(footer[0].text(), reportFooterLine());
    for (const auto* story : {&header, &footer}) {
        EXPECT_EQ((*story)[0].alignment, "center");
        EXPECT_EQ((*story)[0].runs[0].font, "Times New Roman");
        EXPECT_EQ((*story)[0].runs[0].halfPoints, 24);
        EXPECT_TRUE((*story)[0].runs[0].bold);
    }
    // The body's section points at both.
    EXPECT_NE(parts.at("word/document.xml").find("w:headerReference"), std::string::npos);
    EXPECT_NE(parts.at("word/document.xml").find("w:footerReference"), std::string::npos);
}

TEST(DocxPackage, SystemTextThatXmlCannotHoldStillGivesAWellFormedPackage) {
    ReportInputs in = sampleInputs();
    in.processorLines = {std::string("Brand\0\0\x01\x1f", 9), "\xff\xfe broken", "ok\tтаб"};
    const auto parts = unzip(docxPackage(layOut(reportOperations(in)), kProperties));
    const auto body = paragraphsOf(parts.at("word/document.xml"), "w:document");
    const auto cpu =
        std::find_if(body.begin(), body.end(), [](const auto& p) { return p.text().rfind("Brand", 0) == 0; });
    ASSERT_NE(cpu, body.end());
    EXPECT_EQ(cpu->text(), "Brand\n\xEF\xBF\xBD\xEF\xBF\xBD broken\nok\tтаб\n");
}

TEST(Layout, TextInOneFormatJoinsOneRunAndAlignmentBelongsToItsParagraph) {
    const std::vector<ReportOp> ops{
        {ReportOp::Kind::Align, {}, 1}, {ReportOp::Kind::Text, "a", 0},
        {ReportOp::Kind::Text, "b", 0}, {ReportOp::Kind::Paragraph, {}, 0},
        {ReportOp::Kind::Align, {}, 0}, {ReportOp::Kind::Bold, {}, 1},
        {ReportOp::Kind::Text, "c", 0}, {ReportOp::Kind::LineBreak, {}, 0},
        {ReportOp::Kind::Text, "d", 0}, {ReportOp::Kind::Paragraph, {}, 0},
    };
    const auto layout = layOut(ops);
    ASSERT_EQ(layout.body.paragraphs.size(), 3u);
    EXPECT_EQ(layout.body.paragraphs[0].alignment, Alignment::Centre);
    ASSERT_EQ(layout.body.paragraphs[0].runs.size(), 1u);
    EXPECT_EQ(layout.body.paragraphs[0].runs[0].text, "ab");
    EXPECT_EQ(layout.body.paragraphs[1].alignment, Alignment::Left);
    ASSERT_EQ(layout.body.paragraphs[1].runs.size(), 3u);
    EXPECT_TRUE(layout.body.paragraphs[1].runs[1].lineBreak);
    EXPECT_TRUE(layout.body.paragraphs[1].runs[2].format.bold);
    EXPECT_TRUE(layout.body.paragraphs[2].runs.empty());
    EXPECT_TRUE(layout.body.paragraphs[2].mark.bold) << "an empty line keeps the format in force";
    EXPECT_TRUE(layout.header.paragraphs.empty());
}

struct SafeRow {
    const char* name;
    std::string in;
    std::string out;
};

class XmlSafe : public ::testing::TestWithParam<SafeRow> {};

TEST_P(XmlSafe, KeepsWhatXmlHoldsAndReplacesTheRest) {
    EXPECT_EQ(xmlSafeText(GetParam().in), GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, XmlSafe,
    ::testing::Values(SafeRow{"cyrillic", "Отчёт", "Отчёт"}, SafeRow{"tabKept", "a\tb", "a\tb"},
                      SafeRow{"controlsDropped", std::string("a\0b\x07\x1b", 5), "ab"},
                      SafeRow{"deleteDropped", "host\x7f", "host"},
                      SafeRow{"c1Dropped", "a\xC2\x80" "b\xC2\x85" "c\xC2\x9F", "abc"},
                      SafeRow{"noBreakSpaceKept", "a\xC2\xA0" "b", "a\xC2\xA0" "b"},
                      SafeRow{"loneContinuation", "a\x80z", "a\xEF\xBF\xBDz"},
                      SafeRow{"truncatedSequence", "\xD0", "\xEF\xBF\xBD"},
                      SafeRow{"overlongSlash", "\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                      SafeRow{"surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                      SafeRow{"fourByteKept", "\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
                      SafeRow{"beyondUnicode", "\xF4\x90\x80\x80",
                              "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::report
