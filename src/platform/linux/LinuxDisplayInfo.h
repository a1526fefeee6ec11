#pragma once

#include "platform/DisplayInfo.h"

#include <filesystem>
#include <map>
#include <memory>
#include <optional>

struct pci_access;

namespace vexlin::platform::linux_impl {

// Display adapters: the DRM cards (/sys/class/drm/cardN) in card order, named through libpci from their
// PCI vendor and device numbers; a card without PCI numbers is named by its driver.  A machine without DRM
// cards lists its PCI display controllers (/sys/bus/pci/devices, class 0x03) instead.
// Display modes: the XRandR modes of the primary output (else the first connected one) at the screen's
// depth; without an X display, the modes of the first connected DRM connector (a built-in panel first)
// at 24 bits.
class LinuxDisplayInfo final : public DisplayInfo {
public:
    struct Options {
        std::filesystem::path pciIds; // empty: libpci's own list
        bool useXrandr = true;
    };

    LinuxDisplayInfo(std::filesystem::path root, Options options);
    ~LinuxDisplayInfo() override;

    std::vector<std::string> adapters() const override;
    std::vector<DisplayMode> modes() const override;

    std::vector<DisplayMode> drmModes() const;

private:
    std::string pciName(unsigned vendor, unsigned device) const;

    std::filesystem::path root_;
    Options options_;
    struct PciDeleter {
        void operator()(pci_access* access) const;
    };
    // Opened on the first lookup and kept: loading the ID list costs far more than the inventory budget,
    // and the page asks on every activation.
    mutable std::unique_ptr<pci_access, PciDeleter> pci_;
    mutable std::map<std::pair<unsigned, unsigned>, std::string> names_;
};

// The XRandR modes of the primary output, or nothing when there is no X display with RandR.
std::optional<std::vector<DisplayMode>> xrandrModes();

} // namespace vexlin::platform::linux_impl
