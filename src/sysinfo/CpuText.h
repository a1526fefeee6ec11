#pragma once

#include "platform/Processor.h"

#include <string>
#include <vector>

namespace vexlin::sysinfo {

// One line of the processor text: the label is drawn in blue, the value after it in black; either may be
// empty.  The hidden list holds label + value.
struct CpuLine {
    std::string label;
    std::string value;
    std::string text() const { return label + value; }
    bool operator==(const CpuLine&) const = default;
};

// The identification leaves the text is built from.  The brand leaves are only read when the processor
// reports extended leaves beyond 0x80000000.
struct CpuidDump {
    platform::CpuidRegisters leaf0;
    platform::CpuidRegisters leaf1;
    platform::CpuidRegisters leaf3;
    platform::CpuidRegisters extended0;
    platform::CpuidRegisters brand[3]; // 0x80000002 .. 0x80000004
};

CpuidDump readCpuid(const platform::Processor& processor);
bool hasExtendedLeaves(const CpuidDump& dump);

// The register's bytes from the least significant up, one character each.
std::string registerText(std::uint32_t value);
// Leaf-1 EAX, leaf-3 EDX and leaf-3 ECX as six groups of four upper-case hexadecimal digits.
std::string serialNumberText(std::uint32_t leaf1Eax, std::uint32_t leaf3Edx, std::uint32_t leaf3Ecx);
// The 48 brand bytes with only the last one removed when it is NUL.
std::string brandText(const CpuidDump& dump);

std::vector<CpuLine> cpuLines(const CpuidDump& dump);

// What a list item or the picture shows of a text: everything before its first NUL.  A brand string padded
// with NULs would otherwise carry control characters into the list and from there into the report.
std::string shownPart(const std::string& text);

} // namespace vexlin::sysinfo
