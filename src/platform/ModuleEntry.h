#pragma once

#include <cstring>

namespace vexlin::platform {

// Hands a reason back from a module's entry point through the caller's buffer of `size` bytes: cut to fit
// and always terminated, as nothing but C types crosses that boundary.
inline void writeReason(const char* reason, char* buffer, unsigned long size) {
    if (size > 0) {
        std::strncpy(buffer, reason, size - 1);
        buffer[size - 1] = '\0';
    }
}

} // namespace vexlin::platform
