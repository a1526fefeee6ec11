#include "sysinfo/CpuText.h"

#include <gtest/gtest.h>
#include <map>

namespace vexlin::sysinfo {
namespace {

using platform::CpuidRegisters;
using namespace std::string_literals;

// Register sets written down from public CPUID dumps.  Leaves a processor does not have answer with the
// registers of its highest basic leaf, as Intel documents.
struct Processor {
    const char* name;
    std::map<std::uint32_t, CpuidRegisters> leaves;
};

// Intel Core i7-5600U (a Broadwell laptop processor).
const Processor kCoreI7_5600U{"CoreI7_5600U",
                              {{0x0, {0x00000014, 0x756e6547, 0x6c65746e, 0x49656e69}},
                               {0x1, {0x000306d4, 0x00100800, 0x7ffafbff, 0xbfebfbff}},
                               {0x3, {0, 0, 0, 0}},
                               {0x80000000, {0x80000008, 0, 0, 0}},
                               {0x80000002, {0x65746e49, 0x2952286c, 0x726f4320, 0x4d542865}},
                               {0x80000003, {0x37692029, 0x3036352d, 0x43205530, 0x40205550}},
                               {0x80000004, {0x362e3220, 0x7a484730, 0x00000000, 0x00000000}}}};

// AMD Ryzen 7 1800X.
const Processor kRyzen7_1800X{"Ryzen7_1800X",
                              {{0x0, {0x0000000d, 0x68747541, 0x444d4163, 0x69746e65}},
                               {0x1, {0x00800f11, 0x02100800, 0x7ed8320b, 0x178bfbff}},
                               {0x3, {0, 0, 0, 0}},
                               {0x80000000, {0x8000001f, 0x68747541, 0x444d4163, 0x69746e65}},
                               {0x80000002, {0x20444d41, 0x657a7952, 0x2037206e, 0x30303831}},
                               {0x80000003, {0x69452058, 0x2d746867, 0x65726f43, 0x6f725020}},
                               {0x80000004, {0x73736563, 0x2020726f, 0x20202020, 0x00202020}}}};

// Intel Pentium M 2.00 GHz (Dothan): highest basic leaf 2, so leaf 3 answers with leaf 2's registers.
const Processor kPentiumM{"PentiumM",
                          {{0x0, {0x00000002, 0x756e6547, 0x6c65746e, 0x49656e69}},
                           {0x1, {0x000006d6, 0x00000816, 0x00000180, 0xafe9f9bf}},
                           {0x3, {0x02b3b001, 0x000000f0, 0x00000000, 0x2c04307d}},
                           {0x80000000, {0x80000004, 0, 0, 0}},
                           {0x80000002, {0x20202020, 0x20202020, 0x65746e49, 0x2952286c}},
                           {0x80000003, {0x6e655020, 0x6d756974, 0x20295228, 0x7270204d}},
                           {0x80000004, {0x7365636f, 0x20726f73, 0x30302e32, 0x007a4847}}}};

// Intel 80486DX2: highest basic leaf 1, no extended leaves, so 0x80000000 and leaf 3 answer with leaf 1.
const Processor kI486{"I486DX2",
                      {{0x0, {0x00000001, 0x756e6547, 0x6c65746e, 0x49656e69}},
                       {0x1, {0x00000430, 0x00000100, 0x00000000, 0x00000111}},
                       {0x3, {0x00000430, 0x00000100, 0x00000000, 0x00000111}},
                       {0x80000000, {0x00000430, 0x00000100, 0x00000000, 0x00000111}}}};

class FakeProcessor final : public platform::Processor {
public:
    explicit FakeProcessor(const std::map<std::uint32_t, CpuidRegisters>& leaves) : leaves_(leaves) {}
    CpuidRegisters cpuid(std::uint32_t leaf) const override {
        asked.push_back(leaf);
        const auto it = leaves_.find(leaf);
        return it == leaves_.end() ? CpuidRegisters{0xDEAD, 0xDEAD, 0xDEAD, 0xDEAD} : it->second;
    }
    std::uint64_t readTimeStampCounter() const override { return 0; }
    mutable std::vector<std::uint32_t> asked;

private:
    std::map<std::uint32_t, CpuidRegisters> leaves_;
};

struct CpuRow {
    const Processor* processor;
    std::vector<CpuLine> expected;
};

std::vector<CpuLine> commonHead(const char* vendor, const char* stepping, const char* model,
                                const char* family, const char* extModel, const char* extFamily,
                                const char* brand, const char* chunks, const char* count, const char* apic,
                                const char* serialFlag, const char* serial) {
    return {{"CPU", ""},
            {"   - Vendor ID: ", vendor},
            {"   - Stepping ID: ", stepping},
            {"   - Model Number: ", model},
            {"   - Family Code: ", family},
            {"   - Processor Type: ", "0"},
            {"   - Extended Model: ", extModel},
            {"   - Extended Family: ", extFamily},
            {"   - Brand ID: ", brand},
            {"   - Chunks: ", chunks},
            {"   - Count: ", count},
            {"   - APIC ID: ", apic},
            {"   - Serial Number ", serialFlag},
            {"   - Serial Number: ", serial}};
}

std::vector<CpuLine> concat(std::vector<CpuLine> a, const std::vector<CpuLine>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const std::vector<CpuLine> kAllFeatures = {{"", ""},
                                           {"MMX ", "Supported"},
                                           {"FXSAVE & FXRSTOR Instructions ", "Supported"},
                                           {"SSE ", "Supported"},
                                           {"SSE2 ", "Supported"},
                                           {"", ""}};

class CpuTextTest : public testing::TestWithParam<CpuRow> {};

TEST_P(CpuTextTest, GivesTheLinesOfTheRegisterSet) {
    const FakeProcessor processor(GetParam().processor->leaves);
    EXPECT_EQ(cpuLines(readCpuid(processor)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Processors, CpuTextTest,
    testing::Values(
        CpuRow{&kCoreI7_5600U,
               concat(concat(commonHead("GenuineIntel", "4", "D", "6", "3", "0", "0", "8", "16", "0",
                                        "Disabled", "0003-06D4-0000-0000-0000-0000"),
                             kAllFeatures),
                      {{"Extended CPUID: ", "Supported"},
                       {"   - Largest Function Supported: ", "8"},
                       {"Brand String: ", ""},
                       {"", "   - Intel(R) Core(TM) i7-5600U CPU @ 2.60GHz" + std::string(7, '\0')}})},
        CpuRow{&kRyzen7_1800X,
               concat(concat(commonHead("AuthenticAMD", "1", "1", "15", "0", "8", "0", "8", "16", "2",
                                        "Disabled", "0080-0F11-0000-0000-0000-0000"),
                             kAllFeatures),
                      {{"Extended CPUID: ", "Supported"},
                       {"   - Largest Function Supported: ", "31"},
                       {"Brand String: ", ""},
                       {"", "   - AMD Ryzen 7 1800X Eight-Core Processor" + std::string(9, ' ')}})},
        CpuRow{&kPentiumM,
               concat(concat(commonHead("GenuineIntel", "6", "D", "6", "0", "0", "22", "8", "0", "0",
                                        "Disabled", "0000-06D6-2C04-307D-0000-0000"),
                             kAllFeatures),
                      {{"Extended CPUID: ", "Supported"},
                       {"   - Largest Function Supported: ", "4"},
                       {"Brand String: ", ""},
                       {"", "   - " + std::string(8, ' ') + "Intel(R) Pentium(R) M processor 2.00GHz"}})},
        CpuRow{&kI486, concat(commonHead("GenuineIntel", "0", "3", "4", "0", "0", "0", "1", "0", "0",
                                         "Disabled", "0000-0430-0000-0111-0000-0000"),
                              {{"", ""},
                               {"MMX ", "Not Supported"},
                               {"FXSAVE & FXRSTOR Instructions Not ", "Supported"},
                               {"SSE ", "Not Supported"},
                               {"SSE2 ", "Not Supported"},
                               {"", ""},
                               {"   - Extended CPUID ", "Not Supported."}})}),
    [](const auto& info) { return std::string(info.param.processor->name); });

TEST(CpuText, WithoutExtendedLeavesTheBrandLeavesAreNotAsked) {
    const FakeProcessor processor(kI486.leaves);
    const auto lines = cpuLines(readCpuid(processor));
    EXPECT_EQ(lines.size(), 21u);
    for (auto leaf : processor.asked) {
        EXPECT_LE(leaf, 0x80000000u) << std::hex << leaf;
    }
}

TEST(CpuText, LineCountsAre24WithAndWithoutBrand21) {
    EXPECT_EQ(cpuLines(readCpuid(FakeProcessor(kCoreI7_5600U.leaves))).size(), 24u);
    EXPECT_EQ(cpuLines(readCpuid(FakeProcessor(kI486.leaves))).size(), 21u);
}

TEST(CpuText, HighestExtendedLeafEqualToBaseIsNotSupported) {
    CpuidDump dump;
    dump.extended0.eax = 0x80000000;
    EXPECT_EQ(cpuLines(dump).back(), (CpuLine{"   - Extended CPUID ", "Not Supported."}));
    dump.extended0.eax = 0x80000001;
    EXPECT_EQ(cpuLines(dump).at(21), (CpuLine{"   - Largest Function Supported: ", "1"}));
}

struct SignatureRow {
    const char* name;
    std::uint32_t eax;
    std::vector<std::string> fields; // stepping, model, family, type, extended model, extended family
    const char* serialStart;
};

class SignatureTest : public testing::TestWithParam<SignatureRow> {};

TEST_P(SignatureTest, SplitsLeaf1Eax) {
    CpuidDump dump;
    dump.leaf1.eax = GetParam().eax;
    const auto lines = cpuLines(dump);
    for (std::size_t i = 0; i < GetParam().fields.size(); ++i) {
        EXPECT_EQ(lines.at(2 + i).value, GetParam().fields[i]) << lines.at(2 + i).label;
    }
    EXPECT_EQ(lines.at(13).value.substr(0, 9), GetParam().serialStart);
}

INSTANTIATE_TEST_SUITE_P(
    Signatures, SignatureTest,
    testing::Values(
        SignatureRow{"PentiumM1600", 0x000006D8, {"8", "D", "6", "0", "0", "0"}, "0000-06D8"},
        SignatureRow{
            "FourBitTypeAndEightBitFamily", 0x0FFFF000, {"0", "0", "0", "15", "15", "255"}, "0FFF-F000"},
        SignatureRow{
            "TopNibbleIgnoredOutsideSerial", 0xF0000000, {"0", "0", "0", "0", "0", "0"}, "F000-0000"}),
    [](const auto& info) { return info.param.name; });

struct FeatureRow {
    const char* name;
    std::uint32_t edx;
    std::vector<CpuLine> lines; // the serial flag, then the four feature lines
};

class FeatureTest : public testing::TestWithParam<FeatureRow> {};

TEST_P(FeatureTest, ReadsEachBitOnItsOwn) {
    CpuidDump dump;
    dump.leaf1.edx = GetParam().edx;
    const auto lines = cpuLines(dump);
    EXPECT_EQ(lines.at(12), GetParam().lines.at(0));
    for (std::size_t i = 1; i < GetParam().lines.size(); ++i) {
        EXPECT_EQ(lines.at(14 + i), GetParam().lines[i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Features, FeatureTest,
                         testing::Values(FeatureRow{"OnlySerial",
                                                    0x00040000,
                                                    {{"   - Serial Number ", "Enabled"},
                                                     {"MMX ", "Not Supported"},
                                                     {"FXSAVE & FXRSTOR Instructions Not ", "Supported"},
                                                     {"SSE ", "Not Supported"},
                                                     {"SSE2 ", "Not Supported"}}},
                                         FeatureRow{"OnlyFxsave",
                                                    0x01000000,
                                                    {{"   - Serial Number ", "Disabled"},
                                                     {"MMX ", "Not Supported"},
                                                     {"FXSAVE & FXRSTOR Instructions ", "Supported"},
                                                     {"SSE ", "Not Supported"},
                                                     {"SSE2 ", "Not Supported"}}},
                                         FeatureRow{"MmxAndSse2",
                                                    0x04800000,
                                                    {{"   - Serial Number ", "Disabled"},
                                                     {"MMX ", "Supported"},
                                                     {"FXSAVE & FXRSTOR Instructions Not ", "Supported"},
                                                     {"SSE ", "Not Supported"},
                                                     {"SSE2 ", "Supported"}}}),
                         [](const auto& info) { return info.param.name; });

TEST(CpuText, MissingFxsaveJoinsToOneListItem) {
    CpuidDump dump;
    EXPECT_EQ(cpuLines(dump).at(16).text(), "FXSAVE & FXRSTOR Instructions Not Supported");
}

struct BrandRow {
    const char* name;
    std::string bytes; // 48 bytes
    std::string expected;
};

class BrandTest : public testing::TestWithParam<BrandRow> {};

CpuidDump dumpWithBrand(const std::string& bytes) {
    CpuidDump dump;
    dump.extended0.eax = 0x80000004;
    auto word = [&](std::size_t at) {
        std::uint32_t value = 0;
        for (int i = 3; i >= 0; --i) {
            value = (value << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
        }
        return value;
    };
    for (std::size_t r = 0; r < 3; ++r) {
        dump.brand[r] = {word(16 * r), word(16 * r + 4), word(16 * r + 8), word(16 * r + 12)};
    }
    return dump;
}

TEST_P(BrandTest, RemovesOnlyTheLastNul) {
    EXPECT_EQ(brandText(dumpWithBrand(GetParam().bytes)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Brands, BrandTest,
                         testing::Values(BrandRow{"SeveralNuls", "Intel(R) CPU" + std::string(36, '\0'),
                                                  "Intel(R) CPU" + std::string(35, '\0')},
                                         BrandRow{"OneNul", std::string(47, 'X') + '\0',
                                                  std::string(47, 'X')},
                                         BrandRow{"NoNul", std::string(48, 'Y'), std::string(48, 'Y')},
                                         BrandRow{"NulInsideKept", "AB\0CD"s + std::string(43, ' '),
                                                  "AB\0CD"s + std::string(43, ' ')},
                                         BrandRow{"AllNuls", std::string(48, '\0'), std::string(47, '\0')}),
                         [](const auto& info) { return info.param.name; });

TEST(CpuText, ShownPartEndsAtTheFirstNul) {
    EXPECT_EQ(shownPart("   - Intel(R)\0\0\0"s), "   - Intel(R)");
    EXPECT_EQ(shownPart("AB\0CD"s), "AB");
    EXPECT_EQ(shownPart("plain"), "plain");
    EXPECT_EQ(shownPart(""), "");
}

TEST(CpuText, RegisterTextRunsFromTheLowByte) {
    EXPECT_EQ(registerText(0x756e6547), "Genu");
    EXPECT_EQ(registerText(0x00000041), "A\0\0\0"s);
}

} // namespace
} // namespace vexlin::sysinfo
