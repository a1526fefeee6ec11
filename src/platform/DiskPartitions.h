#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vexlin::platform {

// A mounted filesystem on a fixed (non-removable) disk.  A size that could not be queried stays empty.
struct Partition {
    std::string root;
    std::optional<std::uint64_t> totalBytes;
    std::optional<std::uint64_t> freeBytes; // available to the calling user
};

class DiskPartitions {
public:
    virtual ~DiskPartitions() = default;
    virtual std::vector<Partition> fixedPartitions() const = 0;
};

} // namespace vexlin::platform
