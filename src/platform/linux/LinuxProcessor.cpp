#include "platform/linux/LinuxProcessor.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <x86intrin.h>
#define VEXLIN_HAS_CPUID 1
#endif

namespace vexlin::platform::linux_impl {

CpuidRegisters LinuxProcessor::cpuid(std::uint32_t leaf) const {
    CpuidRegisters r;
#if defined(VEXLIN_HAS_CPUID)
    // __cpuid rather than __get_cpuid: the leaf goes to the processor unchecked, so a leaf above the highest
    // one gives whatever the processor answers for it, which the processor text relies on.
    unsigned a = 0, b = 0, c = 0, d = 0;
    __cpuid(leaf, a, b, c, d);
    r = {a, b, c, d};
#else
    (void)leaf;
#endif
    return r;
}

std::uint64_t LinuxProcessor::readTimeStampCounter() const {
#if defined(VEXLIN_HAS_CPUID)
    return __rdtsc();
#else
    return 0;
#endif
}

} // namespace vexlin::platform::linux_impl
