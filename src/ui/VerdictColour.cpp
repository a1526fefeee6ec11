#include "ui/VerdictColour.h"

namespace vexlin {

std::optional<QColor> verdictColour(results::Verdict verdict) {
    switch (verdict) {
    case results::Verdict::Good:
        return QColor(0, 128, 0);
    case results::Verdict::Warning:
        return QColor(160, 96, 0);
    case results::Verdict::Bad:
        return QColor(192, 0, 0);
    case results::Verdict::None:
        break;
    }
    return std::nullopt;
}

} // namespace vexlin
