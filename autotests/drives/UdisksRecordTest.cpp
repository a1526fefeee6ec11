#include "drives/UdisksRecord.h"

#include <gtest/gtest.h>

namespace vexlin::drives {
namespace {

// What udisks leaves open or words differently, and what the record makes of it.
struct AtaRow {
    const char* name;
    UdisksAta ata;
    Interface interface;
    std::optional<int> temperature;
    std::optional<std::int64_t> reallocated;
    std::optional<std::int64_t> powerOnHours;
};

class UdisksAtaTest : public testing::TestWithParam<AtaRow> {};

TEST_P(UdisksAtaTest, ReadsWhatUdisksGives) {
    const DriveRecord record = recordFromUdisks(GetParam().ata);
    EXPECT_EQ(record.interface, GetParam().interface);
    EXPECT_EQ(record.temperature, GetParam().temperature);
    EXPECT_EQ(record.reallocatedSectors, GetParam().reallocated);
    EXPECT_EQ(record.powerOnHours, GetParam().powerOnHours);
}

UdisksAta ata(int rotation, double kelvin, std::vector<UdisksAttribute> attributes,
              std::uint64_t seconds = 0) {
    UdisksAta values;
    values.rotationRate = rotation;
    values.smartTemperature = kelvin;
    values.attributes = std::move(attributes);
    values.smartPowerOnSeconds = seconds;
    return values;
}

INSTANTIATE_TEST_SUITE_P(
    Values, UdisksAtaTest,
    testing::Values(AtaRow{"ssd", ata(0, 306.15, {{5, "reallocated-sector-count", 100, 100, 10, 0, 3}}),
                           Interface::SataSsd, 33, 0, std::nullopt},
                    // -1: rotating at a speed the drive does not state.
                    AtaRow{"disk_of_unknown_speed", ata(-1, 0, {}), Interface::SataHdd, std::nullopt,
                           std::nullopt, std::nullopt},
                    // A count in the high bytes of the raw field is not the count.
                    AtaRow{"vendor_bytes_above_the_count",
                           ata(5400, 300.15,
                               {{5, "reallocated-sector-count", 100, 100, 10, (7LL << 32) | 12, 3}}, 7200),
                           Interface::SataHdd, 27, 12, 2},
                    // A pretty value in another unit is not a sector count.
                    AtaRow{"count_in_milliseconds",
                           ata(7200, 300.15, {{5, "reallocated-sector-count", 100, 100, 10, 5000, 2}}),
                           Interface::SataHdd, 27, std::nullopt, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

struct NvmeRow {
    const char* name;
    std::vector<std::string> warnings;
    int bits;
    bool passed;
};

class UdisksNvmeTest : public testing::TestWithParam<NvmeRow> {};

TEST_P(UdisksNvmeTest, TurnsTheWarningWordsBackIntoBits) {
    UdisksNvme nvme;
    nvme.smartCriticalWarning = GetParam().warnings;
    const DriveRecord record = recordFromUdisks(nvme);
    EXPECT_EQ(record.criticalWarning, GetParam().bits);
    EXPECT_EQ(record.assessmentPassed, GetParam().passed);
}

INSTANTIATE_TEST_SUITE_P(
    Words, UdisksNvmeTest,
    testing::Values(NvmeRow{"none", {}, 0, true}, NvmeRow{"spare", {"spare"}, 0x01, false},
                    NvmeRow{"read_only_and_hot", {"readonly", "temperature"}, 0x0A, false},
                    NvmeRow{"unknown_word_ignored", {"something_new"}, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vexlin::drives
