#include "harness/Harness.h"

#include <cstdio>
#include <cstdlib>

// One libFuzzer program per reader; VEXLIN_FUZZ_TARGET names the reader (Harness.cpp's table).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const vexlin::fuzz::Target* const target = vexlin::fuzz::findTarget(VEXLIN_FUZZ_TARGET);
    if (target == nullptr) {
        std::abort();
    }
    const vexlin::fuzz::Outcome outcome = target->run({data, size});
    if (!outcome.violation.empty()) {
        std::fprintf(stderr, "property broken: %s\n", outcome.violation.c_str());
        std::abort();
    }
    // Keeping more than the reader's budget is a fault of its own, though no sanitizer sees it.
    if (outcome.bytesHeld > target->budget(size)) {
        std::abort();
    }
    return 0;
}
