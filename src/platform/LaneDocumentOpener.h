#pragma once

#include "platform/DocumentOpener.h"
#include "platform/NormalPriorityLane.h"

#include <memory>
#include <string>

namespace vexlin::platform {

// Opens documents from the normal-priority lane: the word processor started for the report must not inherit
// the user-interface thread's idle priority.
class LaneDocumentOpener final : public DocumentOpener {
public:
    LaneDocumentOpener(std::unique_ptr<DocumentOpener> opener, NormalPriorityLane& lane)
        : opener_(std::move(opener)), lane_(lane) {}

    OpenResult open(const std::string& path, const std::string& mimeType) override {
        OpenResult result;
        lane_.run([&] { result = opener_->open(path, mimeType); });
        return result;
    }

private:
    std::unique_ptr<DocumentOpener> opener_;
    NormalPriorityLane& lane_;
};

} // namespace vexlin::platform
