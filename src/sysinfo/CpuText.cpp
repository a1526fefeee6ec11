#include "sysinfo/CpuText.h"

#include <cstdio>

namespace vexlin::sysinfo {
namespace {

constexpr std::uint32_t kExtendedBase = 0x80000000;

std::string bits(std::uint32_t value, int low, int count) {
    return std::to_string((value >> low) & ((1U << count) - 1));
}

std::string hex8(std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08X", value);
    return std::string(text, 8);
}

std::string grouped(std::uint32_t value) {
    const std::string digits = hex8(value);
    return digits.substr(0, 4) + "-" + digits.substr(4);
}

std::string supported(bool set) {
    return set ? "Supported" : "Not Supported";
}

} // namespace

CpuidDump readCpuid(const platform::Processor& processor) {
    CpuidDump dump;
    dump.leaf0 = processor.cpuid(0);
    dump.leaf1 = processor.cpuid(1);
    dump.leaf3 = processor.cpuid(3);
    dump.extended0 = processor.cpuid(kExtendedBase);
    if (hasExtendedLeaves(dump)) {
        for (std::uint32_t i = 0; i < 3; ++i) {
            dump.brand[i] = processor.cpuid(kExtendedBase + 2 + i);
        }
    }
    return dump;
}

bool hasExtendedLeaves(const CpuidDump& dump) {
    return dump.extended0.eax > kExtendedBase;
}

std::string registerText(std::uint32_t value) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        text += static_cast<char>((value >> (8 * i)) & 0xFF);
    }
    return text;
}

std::string serialNumberText(std::uint32_t leaf1Eax, std::uint32_t leaf3Edx, std::uint32_t leaf3Ecx) {
    return grouped(leaf1Eax) + "-" + grouped(leaf3Edx) + "-" + grouped(leaf3Ecx);
}

std::string brandText(const CpuidDump& dump) {
    std::string text;
    for (const auto& r : dump.brand) {
        text += registerText(r.eax) + registerText(r.ebx) + registerText(r.ecx) + registerText(r.edx);
    }
    if (text.back() == '\0') {
        text.pop_back();
    }
    return text;
}

std::vector<CpuLine> cpuLines(const CpuidDump& dump) {
    const auto a = dump.leaf1.eax;
    const auto b = dump.leaf1.ebx;
    const auto d = dump.leaf1.edx;
    char model[2] = {"0123456789ABCDEF"[(a >> 4) & 0xF], '\0'};

    std::vector<CpuLine> lines = {
        {"CPU", ""},
        {"   - Vendor ID: ",
         registerText(dump.leaf0.ebx) + registerText(dump.leaf0.edx) + registerText(dump.leaf0.ecx)},
        {"   - Stepping ID: ", bits(a, 0, 4)},
        {"   - Model Number: ", model},
        {"   - Family Code: ", bits(a, 8, 4)},
        {"   - Processor Type: ", bits(a, 12, 4)},
        {"   - Extended Model: ", bits(a, 16, 4)},
        {"   - Extended Family: ", bits(a, 20, 8)},
        {"   - Brand ID: ", bits(b, 0, 8)},
        {"   - Chunks: ", bits(b, 8, 8)},
        {"   - Count: ", bits(b, 16, 8)},
        {"   - APIC ID: ", bits(b, 24, 8)},
        {"   - Serial Number ", (d & 0x40000) != 0 ? "Enabled" : "Disabled"},
        {"   - Serial Number: ", serialNumberText(a, dump.leaf3.edx, dump.leaf3.ecx)},
        {"", ""},
        {"MMX ", supported((d & 0x800000) != 0)},
        // Without FXSAVE the "Not" sits in the label and the value reads "Supported".
        {(d & 0x1000000) != 0 ? "FXSAVE & FXRSTOR Instructions " : "FXSAVE & FXRSTOR Instructions Not ",
         "Supported"},
        {"SSE ", supported((d & 0x2000000) != 0)},
        {"SSE2 ", supported((d & 0x4000000) != 0)},
        {"", ""},
    };
    if (!hasExtendedLeaves(dump)) {
        lines.push_back({"   - Extended CPUID ", "Not Supported."});
        return lines;
    }
    lines.push_back({"Extended CPUID: ", "Supported"});
    lines.push_back(
        {"   - Largest Function Supported: ", std::to_string(dump.extended0.eax - kExtendedBase)});
    lines.push_back({"Brand String: ", ""});
    lines.push_back({"", "   - " + brandText(dump)});
    return lines;
}

std::string shownPart(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

} // namespace vexlin::sysinfo
