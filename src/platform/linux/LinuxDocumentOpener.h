#pragma once

#include "platform/DocumentOpener.h"
#include "platform/linux/LinuxProgramLauncher.h"

namespace vexlin::platform::linux_impl {

// xdg-open when the desktop names a program for the document's type (xdg-mime), else the first word
// processor installed; every program is looked up in the launcher's search directories and started
// detached.
class LinuxDocumentOpener final : public DocumentOpener {
public:
    explicit LinuxDocumentOpener(LinuxProgramLauncher launcher) : launcher_(std::move(launcher)) {}

    OpenResult open(const std::string& path, const std::string& mimeType) override;

    // The desktop file xdg-mime names as the default for the type; empty when none or no xdg-mime.
    std::string defaultHandler(const std::string& mimeType) const;

private:
    LinuxProgramLauncher launcher_;
};

} // namespace vexlin::platform::linux_impl
