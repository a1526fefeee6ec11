#include "platform/linux/LinuxDisplayInfo.h"

#include "platform/linux/LinuxProcessor.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>

namespace vexlin::platform::linux_impl {
namespace {

const std::filesystem::path kFixtures = VEXLIN_FIXTURES;

LinuxDisplayInfo fixtureDisplay(const char* tree) {
    return LinuxDisplayInfo(kFixtures / tree, {kFixtures / "pci.ids", false});
}

TEST(LinuxDisplayInfo, LaptopNamesItsDrmCardsThroughTheIdList) {
    const auto display = fixtureDisplay("laptop");
    EXPECT_EQ(display.adapters(),
              (std::vector<std::string>{"Intel Corporation TigerLake-LP GT2 [Iris Xe Graphics]",
                                        "NVIDIA Corporation GA107M [GeForce RTX 3050 Mobile]"}));
    // Asking again (every activation does) gives the same list, from the kept names.
    EXPECT_EQ(display.adapters().size(), 2u);
}

TEST(LinuxDisplayInfo, WithoutDrmCardsThePciDisplayControllersAreListed) {
    const auto adapters = fixtureDisplay("minimal").adapters();
    ASSERT_EQ(adapters.size(), 2u); // the network controller is not a display controller
    // An ID the list does not know is named by its numbers rather than left out.
    EXPECT_NE(adapters[0].find("1050"), std::string::npos) << adapters[0];
    EXPECT_EQ(adapters[1], "Technical Corp. QEMU Virtual Video Controller");
}

TEST(LinuxDisplayInfo, DrmModesComeFromTheConnectedPanelWithDuplicatesKept) {
    const auto modes = fixtureDisplay("laptop").modes();
    EXPECT_EQ(modes,
              (std::vector<DisplayMode>{
                  {1920, 1200, 24}, {1920, 1200, 24}, {1600, 1200, 24}, {1280, 1024, 24}, {1024, 768, 24}}));
}

TEST(LinuxDisplayInfo, NoConnectorNoModes) {
    EXPECT_TRUE(fixtureDisplay("minimal").modes().empty());
    EXPECT_TRUE(fixtureDisplay("no-such-tree").adapters().empty());
}

TEST(LinuxDisplayInfo, XrandrIsAbsentWithoutADisplay) {
    // The test desktop sets DISPLAY; take it away for this call only.
    const char* display = std::getenv("DISPLAY");
    const std::string saved = display != nullptr ? display : "";
    ::unsetenv("DISPLAY");
    const auto modes = xrandrModes();
    if (display != nullptr) {
        ::setenv("DISPLAY", saved.c_str(), 1);
    }
    EXPECT_EQ(modes, std::nullopt);
}

#if defined(__x86_64__) || defined(__i386__)
TEST(LinuxProcessor, VendorMatchesTheKernelsCpuinfo) {
    const LinuxProcessor processor;
    const auto leaf0 = processor.cpuid(0);
    std::string vendor;
    for (auto reg : {leaf0.ebx, leaf0.edx, leaf0.ecx}) {
        for (int i = 0; i < 4; ++i) {
            vendor += static_cast<char>((reg >> (8 * i)) & 0xFF);
        }
    }
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    std::string kernelVendor;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("vendor_id", 0) == 0) {
            kernelVendor = line.substr(line.find(':') + 2);
            break;
        }
    }
    EXPECT_EQ(vendor, kernelVendor);
}

TEST(LinuxProcessor, CounterAdvances) {
    const LinuxProcessor processor;
    const auto t0 = processor.readTimeStampCounter();
    const auto t1 = processor.readTimeStampCounter();
    EXPECT_GT(t1, t0);
}
#endif

} // namespace
} // namespace vexlin::platform::linux_impl
