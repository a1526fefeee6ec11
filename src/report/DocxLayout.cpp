#include "report/DocxWriter.h"
#include "report/Utf8.h"

#include <utility>

namespace vexlin::report {

namespace {

class Layout {
public:
    DocumentLayout result;

    void apply(const ReportOp& op) {
        switch (op.kind) {
        case ReportOp::Kind::Place:
            moveTo(static_cast<Place>(op.number));
            break;
        case ReportOp::Kind::Font:
            format_.font = op.text;
            break;
        case ReportOp::Kind::Size:
            format_.size = op.number;
            break;
        case ReportOp::Kind::Bold:
            format_.bold = op.number != 0;
            break;
        case ReportOp::Kind::Align:
            alignment_ = static_cast<Alignment>(op.number);
            current().alignment = alignment_;
            break;
        case ReportOp::Kind::Text:
            typeText(op.text);
            break;
        case ReportOp::Kind::LineBreak:
            current().runs.push_back(Run{format_, {}, true});
            break;
        case ReportOp::Kind::Paragraph:
            story().paragraphs.push_back(Paragraph{alignment_, {}, format_});
            break;
        }
    }

private:
    Story& story() {
        switch (place_) {
        case Place::Header:
            return result.header;
        case Place::Footer:
            return result.footer;
        case Place::Body:
            break;
        }
        return result.body;
    }

    Paragraph& current() {
        auto& paragraphs = story().paragraphs;
        if (paragraphs.empty()) {
            paragraphs.push_back(Paragraph{alignment_, {}, format_});
        }
        return paragraphs.back();
    }

    void moveTo(Place place) {
        place_ = place;
        current();
    }

    void typeText(const std::string& text) {
        auto& runs = current().runs;
        // Text typed in the same format joins the run before it, as a word processor stores it.
        if (!runs.empty() && !runs.back().lineBreak && runs.back().format == format_) {
            runs.back().text += text;
        } else {
            runs.push_back(Run{format_, text, false});
        }
    }

    Place place_ = Place::Body;
    RunFormat format_;
    Alignment alignment_ = Alignment::Left;
};

} // namespace

DocumentLayout layOut(const std::vector<ReportOp>& ops) {
    Layout layout;
    for (const auto& op : ops) {
        layout.apply(op);
    }
    return std::move(layout.result);
}

std::string xmlSafeText(const std::string& text) {
    return repairedUtf8(text, true);
}

} // namespace vexlin::report
