// vexlin-smart-helper NAME: runs `smartctl --json -x /dev/NAME` as root for Vexlin, started through pkexec;
// vexlin-smart-helper short-test NAME runs `smartctl --json -t short /dev/NAME`.  It is the only thing the
// administrator's password unlocks, so it takes a block device the kernel lists and at most that one fixed
// word before it, and runs one fixed program with a fixed environment.
#include "drives/HelperRequest.h"
#include "drives/SmartctlRunner.h"

#include <array>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Where Debian and a local build install smartctl; PATH is the caller's and is not trusted.
constexpr std::array kSmartctl = {"/usr/sbin/smartctl", "/sbin/smartctl", "/usr/local/sbin/smartctl"};

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> given(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
    const vexlin::drives::HelperRequest request = vexlin::drives::readHelperArguments(given);
    if (!request.refusal.empty()) {
        std::fprintf(stderr, "vexlin-smart-helper: %s\n", request.refusal.c_str());
        return vexlin::drives::kHelperRefused;
    }
    const std::string device = "/dev/" + request.device;
    char* const readAll[] = {const_cast<char*>("smartctl"), const_cast<char*>("--json"),
                             const_cast<char*>("-x"), const_cast<char*>(device.c_str()), nullptr};
    char* const shortTest[] = {const_cast<char*>("smartctl"),     const_cast<char*>("--json"),
                               const_cast<char*>("-t"),           const_cast<char*>("short"),
                               const_cast<char*>(device.c_str()), nullptr};
    char* const* arguments = request.shortTest ? shortTest : readAll;
    char* const environment[] = {const_cast<char*>("PATH=/usr/sbin:/usr/bin:/sbin:/bin"),
                                 const_cast<char*>("LC_ALL=C"), nullptr};
    for (const char* program : kSmartctl) {
        if (access(program, X_OK) == 0) {
            execve(program, arguments, environment);
        }
    }
    std::fprintf(stderr, "vexlin-smart-helper: %s\n", vexlin::drives::noSmartctlMessage().c_str());
    return vexlin::drives::kHelperNoSmartctl;
}
