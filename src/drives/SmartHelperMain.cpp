// vexlin-smart-helper NAME: runs `smartctl --json -x /dev/NAME` as root for Vexlin, started through pkexec.
// It is the only thing the administrator's password unlocks, so it takes exactly one argument, a block
// device the kernel lists, and runs one fixed program with a fixed environment.
#include "drives/HelperRequest.h"
#include "drives/SmartctlRunner.h"

#include <array>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Where Debian and a local build install smartctl; PATH is the caller's and is not trusted.
constexpr std::array kSmartctl = {"/usr/sbin/smartctl", "/sbin/smartctl", "/usr/local/sbin/smartctl"};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("vexlin-smart-helper: нужен ровно один аргумент, имя блочного устройства\n", stderr);
        return vexlin::drives::kHelperRefused;
    }
    const std::string name = argv[1];
    if (const auto refusal = vexlin::drives::refuseDeviceName(name)) {
        std::fprintf(stderr, "vexlin-smart-helper: %s\n", refusal->c_str());
        return vexlin::drives::kHelperRefused;
    }
    const std::string device = "/dev/" + name;
    char* const arguments[] = {const_cast<char*>("smartctl"), const_cast<char*>("--json"),
                               const_cast<char*>("-x"), const_cast<char*>(device.c_str()), nullptr};
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
