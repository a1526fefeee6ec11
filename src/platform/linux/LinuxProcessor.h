#pragma once

#include "platform/Processor.h"

namespace vexlin::platform::linux_impl {

// CPUID and RDTSC on x86 and x86-64; other processors report zero registers and a zero counter.
class LinuxProcessor final : public Processor {
public:
    CpuidRegisters cpuid(std::uint32_t leaf) const override;
    std::uint64_t readTimeStampCounter() const override;
};

} // namespace vexlin::platform::linux_impl
