#pragma once

#include "platform/PowerStatus.h"

namespace vexlin::platform {

class PowerSource {
public:
    virtual ~PowerSource() = default;
    // Never fails: what cannot be read is reported as unknown in the record.
    virtual PowerStatus read() const = 0;
};

} // namespace vexlin::platform
