#pragma once

#include <cstdint>

namespace vexlin::platform {

struct CpuidRegisters {
    std::uint32_t eax = 0;
    std::uint32_t ebx = 0;
    std::uint32_t ecx = 0;
    std::uint32_t edx = 0;
    bool operator==(const CpuidRegisters&) const = default;
};

// The processor's identification instruction and time-stamp counter.  A processor without them reports
// zero registers and a counter that stands still.
class Processor {
public:
    virtual ~Processor() = default;
    // Executes the identification instruction for the leaf as it is: the leaf is not checked against the
    // highest one the processor supports.
    virtual CpuidRegisters cpuid(std::uint32_t leaf) const = 0;
    virtual std::uint64_t readTimeStampCounter() const = 0;
};

} // namespace vexlin::platform
