#include "report/DocxWriter.h"

#include <memory>
#include <pugixml.hpp>
#include <sstream>
#include <stdexcept>
#include <zip.h>

namespace vexlin::report {

namespace {

constexpr const char* kW = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr const char* kR = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr const char* kRelationships = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr const char* kOfficeRel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr const char* kWordMl = "application/vnd.openxmlformats-officedocument.wordprocessingml.";

// --- XML --------------------------------------------------------------------------------------------------

std::string serialise(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

pugi::xml_node startDocument(pugi::xml_document& doc, const char* root) {
    auto declaration = doc.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    return doc.append_child(root);
}

pugi::xml_node wordRoot(pugi::xml_document& doc, const char* root) {
    auto node = startDocument(doc, root);
    node.append_attribute("xmlns:w") = kW;
    node.append_attribute("xmlns:r") = kR;
    return node;
}

void setVal(pugi::xml_node node, const char* value) {
    node.append_attribute("w:val") = value;
}

void appendRunFormat(pugi::xml_node parent, const RunFormat& format) {
    auto rPr = parent.append_child("w:rPr");
    auto fonts = rPr.append_child("w:rFonts");
    const std::string font = xmlSafeText(format.font);
    for (const char* which : {"w:ascii", "w:hAnsi", "w:cs", "w:eastAsia"}) {
        fonts.append_attribute(which) = font.c_str();
    }
    // Bold is always stated, so no style can turn a plain value bold or a heading plain.
    setVal(rPr.append_child("w:b"), format.bold ? "1" : "0");
    setVal(rPr.append_child("w:bCs"), format.bold ? "1" : "0");
    const std::string halfPoints = std::to_string(format.size * 2);
    setVal(rPr.append_child("w:sz"), halfPoints.c_str());
    setVal(rPr.append_child("w:szCs"), halfPoints.c_str());
}

void appendParagraph(pugi::xml_node parent, const Paragraph& paragraph) {
    auto p = parent.append_child("w:p");
    auto pPr = p.append_child("w:pPr");
    setVal(pPr.append_child("w:jc"), paragraph.alignment == Alignment::Centre ? "center" : "left");
    appendRunFormat(pPr, paragraph.runs.empty() ? paragraph.mark : paragraph.runs.back().format);
    for (const auto& run : paragraph.runs) {
        auto r = p.append_child("w:r");
        appendRunFormat(r, run.format);
        if (run.lineBreak) {
            r.append_child("w:br");
            continue;
        }
        auto t = r.append_child("w:t");
        t.append_attribute("xml:space") = "preserve";
        t.text().set(xmlSafeText(run.text).c_str());
    }
}

void appendStory(pugi::xml_node parent, const Story& story) {
    if (story.paragraphs.empty()) {
        appendParagraph(parent, Paragraph{}); // a header or body must hold a paragraph
    }
    for (const auto& paragraph : story.paragraphs) {
        appendParagraph(parent, paragraph);
    }
}

std::string documentPart(const DocumentLayout& layout) {
    pugi::xml_document doc;
    auto body = wordRoot(doc, "w:document").append_child("w:body");
    appendStory(body, layout.body);
    auto sect = body.append_child("w:sectPr");
    auto header = sect.append_child("w:headerReference");
    header.append_attribute("w:type") = "default";
    header.append_attribute("r:id") = "rIdHeader";
    auto footer = sect.append_child("w:footerReference");
    footer.append_attribute("w:type") = "default";
    footer.append_attribute("r:id") = "rIdFooter";
    auto size = sect.append_child("w:pgSz"); // A4
    size.append_attribute("w:w") = "11906";
    size.append_attribute("w:h") = "16838";
    auto margins = sect.append_child("w:pgMar");
    for (auto [name, value] : {std::pair{"w:top", "1134"},
                               {"w:right", "850"},
                               {"w:bottom", "1134"},
                               {"w:left", "1701"},
                               {"w:header", "708"},
                               {"w:footer", "708"},
                               {"w:gutter", "0"}}) {
        margins.append_attribute(name) = value;
    }
    return serialise(doc);
}

std::string storyPart(const char* root, const Story& story) {
    pugi::xml_document doc;
    appendStory(wordRoot(doc, root), story);
    return serialise(doc);
}

std::string stylesPart() {
    pugi::xml_document doc;
    auto styles = wordRoot(doc, "w:styles");
    auto defaults = styles.append_child("w:docDefaults");
    auto rPr = defaults.append_child("w:rPrDefault").append_child("w:rPr");
    auto fonts = rPr.append_child("w:rFonts");
    for (const char* which : {"w:ascii", "w:hAnsi", "w:cs", "w:eastAsia"}) {
        fonts.append_attribute(which) = "Times New Roman";
    }
    setVal(rPr.append_child("w:sz"), "24");
    setVal(rPr.append_child("w:szCs"), "24");
    auto lang = rPr.append_child("w:lang");
    lang.append_attribute("w:val") = "ru-RU";
    lang.append_attribute("w:eastAsia") = "en-US";
    lang.append_attribute("w:bidi") = "ar-SA";
    // Single spacing without space after a paragraph: an empty paragraph is one blank line.
    auto spacing = defaults.append_child("w:pPrDefault").append_child("w:pPr").append_child("w:spacing");
    spacing.append_attribute("w:after") = "0";
    spacing.append_attribute("w:line") = "240";
    spacing.append_attribute("w:lineRule") = "auto";

    auto addStyle = [&](const char* id, const char* name, bool isDefault) {
        auto style = styles.append_child("w:style");
        style.append_attribute("w:type") = "paragraph";
        if (isDefault) {
            style.append_attribute("w:default") = "1";
        }
        style.append_attribute("w:styleId") = id;
        setVal(style.append_child("w:name"), name);
        if (!isDefault) {
            setVal(style.append_child("w:basedOn"), "Normal");
        }
        style.append_child("w:qFormat");
    };
    addStyle("Normal", "Normal", true);
    addStyle("Header", "header", false);
    addStyle("Footer", "footer", false);
    return serialise(doc);
}

std::string settingsPart() {
    pugi::xml_document doc;
    auto settings = wordRoot(doc, "w:settings");
    setVal(settings.append_child("w:defaultTabStop"), "708");
    setVal(settings.append_child("w:characterSpacingControl"), "doNotCompress");
    auto compat = settings.append_child("w:compat").append_child("w:compatSetting");
    compat.append_attribute("w:name") = "compatibilityMode";
    compat.append_attribute("w:uri") = "http://schemas.microsoft.com/office/word";
    compat.append_attribute("w:val") = "15";
    return serialise(doc);
}

std::string contentTypesPart() {
    pugi::xml_document doc;
    auto types = startDocument(doc, "Types");
    types.append_attribute("xmlns") = "http://schemas.openxmlformats.org/package/2006/content-types";
    auto addDefault = [&](const char* extension, const char* type) {
        auto node = types.append_child("Default");
        node.append_attribute("Extension") = extension;
        node.append_attribute("ContentType") = type;
    };
    addDefault("rels", "application/vnd.openxmlformats-package.relationships+xml");
    addDefault("xml", "application/xml");
    auto addOverride = [&](const char* part, const std::string& type) {
        auto node = types.append_child("Override");
        node.append_attribute("PartName") = part;
        node.append_attribute("ContentType") = type.c_str();
    };
    const std::string wordMl = kWordMl;
    addOverride("/word/document.xml", wordMl + "document.main+xml");
    addOverride("/word/styles.xml", wordMl + "styles+xml");
    addOverride("/word/settings.xml", wordMl + "settings+xml");
    addOverride("/word/header1.xml", wordMl + "header+xml");
    addOverride("/word/footer1.xml", wordMl + "footer+xml");
    addOverride("/docProps/core.xml", "application/vnd.openxmlformats-package.core-properties+xml");
    addOverride("/docProps/app.xml", "application/vnd.openxmlformats-officedocument.extended-properties+xml");
    return serialise(doc);
}

struct Relationship {
    const char* id;
    std::string type;
    const char* target;
};

std::string relationshipsPart(const std::vector<Relationship>& relationships) {
    pugi::xml_document doc;
    auto root = startDocument(doc, "Relationships");
    root.append_attribute("xmlns") = kRelationships;
    for (const auto& rel : relationships) {
        auto node = root.append_child("Relationship");
        node.append_attribute("Id") = rel.id;
        node.append_attribute("Type") = rel.type.c_str();
        node.append_attribute("Target") = rel.target;
    }
    return serialise(doc);
}

std::string packageRelationships() {
    const std::string office = kOfficeRel;
    return relationshipsPart({
        {"rId1", office + "officeDocument", "word/document.xml"},
        {"rId2", "http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties",
         "docProps/core.xml"},
        {"rId3", office + "extended-properties", "docProps/app.xml"},
    });
}

std::string documentRelationships() {
    const std::string office = kOfficeRel;
    return relationshipsPart({
        {"rIdStyles", office + "styles", "styles.xml"},
        {"rIdSettings", office + "settings", "settings.xml"},
        {"rIdHeader", office + "header", "header1.xml"},
        {"rIdFooter", office + "footer", "footer1.xml"},
    });
}

std::string corePart(const DocumentProperties& properties) {
    pugi::xml_document doc;
    auto core = startDocument(doc, "cp:coreProperties");
    core.append_attribute("xmlns:cp") =
        "http://schemas.openxmlformats.org/package/2006/metadata/core-properties";
    core.append_attribute("xmlns:dc") = "http://purl.org/dc/elements/1.1/";
    core.append_attribute("xmlns:dcterms") = "http://purl.org/dc/terms/";
    core.append_attribute("xmlns:dcmitype") = "http://purl.org/dc/dcmitype/";
    core.append_attribute("xmlns:xsi") = "http://www.w3.org/2001/XMLSchema-instance";
    core.append_child("dc:title").text().set(xmlSafeText(properties.title).c_str());
    core.append_child("dc:creator").text().set(xmlSafeText(properties.creator).c_str());
    core.append_child("cp:lastModifiedBy").text().set(xmlSafeText(properties.creator).c_str());
    for (const char* name : {"dcterms:created", "dcterms:modified"}) {
        auto node = core.append_child(name);
        node.append_attribute("xsi:type") = "dcterms:W3CDTF";
        node.text().set(xmlSafeText(properties.createdUtc).c_str());
    }
    return serialise(doc);
}

std::string appPart(const DocumentProperties& properties) {
    pugi::xml_document doc;
    auto root = startDocument(doc, "Properties");
    root.append_attribute("xmlns") =
        "http://schemas.openxmlformats.org/officeDocument/2006/extended-properties";
    root.append_attribute("xmlns:vt") =
        "http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes";
    root.append_child("Application").text().set(xmlSafeText(properties.creator).c_str());
    return serialise(doc);
}

// --- zip --------------------------------------------------------------------------------------------------

struct ZipError {
    zip_error_t error;
    ZipError() { zip_error_init(&error); }
    ~ZipError() { zip_error_fini(&error); }
    [[noreturn]] void raise(const char* what) {
        throw std::runtime_error(std::string("docx: ") + what + ": " + zip_error_strerror(&error));
    }
};

struct SourceFree {
    void operator()(zip_source_t* source) const { zip_source_free(source); }
};

std::string zipInMemory(const std::vector<std::pair<const char*, std::string>>& parts) {
    ZipError error;
    std::unique_ptr<zip_source_t, SourceFree> buffer(zip_source_buffer_create(nullptr, 0, 0, &error.error));
    if (!buffer) {
        error.raise("buffer");
    }
    zip_t* archive = zip_open_from_source(buffer.get(), ZIP_TRUNCATE, &error.error);
    if (archive == nullptr) {
        error.raise("open");
    }
    zip_source_keep(buffer.get()); // the archive's close would free it; its bytes are read after
    for (const auto& [name, bytes] : parts) {
        zip_source_t* part = zip_source_buffer(archive, bytes.data(), bytes.size(), 0);
        const zip_int64_t index = part == nullptr ? -1 : zip_file_add(archive, name, part, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(part);
            zip_discard(archive);
            throw std::runtime_error(std::string("docx: cannot add ") + name);
        }
        zip_set_file_compression(archive, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0);
    }
    if (zip_close(archive) != 0) {
        const std::string message = zip_strerror(archive);
        zip_discard(archive);
        throw std::runtime_error("docx: " + message);
    }
    zip_source_t* source = buffer.get();
    if (zip_source_open(source) != 0) {
        throw std::runtime_error("docx: cannot read the package back");
    }
    std::string bytes;
    char chunk[16384];
    zip_int64_t got = 0;
    while ((got = zip_source_read(source, chunk, sizeof chunk)) > 0) {
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
    zip_source_close(source);
    if (got < 0) {
        throw std::runtime_error("docx: cannot read the package back");
    }
    return bytes;
}

} // namespace

std::string docxPackage(const DocumentLayout& layout, const DocumentProperties& properties) {
    return zipInMemory({
        {"[Content_Types].xml", contentTypesPart()},
        {"_rels/.rels", packageRelationships()},
        {"docProps/core.xml", corePart(properties)},
        {"docProps/app.xml", appPart(properties)},
        {"word/document.xml", documentPart(layout)},
        {"word/styles.xml", stylesPart()},
        {"word/settings.xml", settingsPart()},
        {"word/header1.xml", storyPart("w:hdr", layout.header)},
        {"word/footer1.xml", storyPart("w:ftr", layout.footer)},
        {"word/_rels/document.xml.rels", documentRelationships()},
    });
}

} // namespace vexlin::report
