#include "platform/linux/LinuxProgramLauncher.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/wait.h>
#include <unistd.h>

namespace vexlin::platform::linux_impl {
namespace {

using Table = std::map<std::string, std::vector<Candidate>, std::less<>>;

// The desktops' own tools first (GNOME, KDE, Xfce, MATE, Cinnamon, LXQt), then stand-alone programs.
const Table& table() {
    static const Table tools{
        {"rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,3",
         {{{"gnome-control-center", "display"}},
          {{"systemsettings", "kcm_kscreen"}},
          {{"xfce4-display-settings"}},
          {{"mate-display-properties"}},
          {{"cinnamon-settings", "display"}},
          {{"lxqt-config-monitor"}},
          {{"arandr"}},
          {{"lxrandr"}}}},
        {"rundll32.exe shell32.dll,Control_RunDLL appwiz.cpl",
         {{{"gnome-software"}},
          {{"plasma-discover"}},
          {{"mintinstall"}},
          {{"synaptic-pkexec"}},
          {{"synaptic"}}}},
        // Dr. Watson collected crash reports: the system journal and crash viewers are the nearest.
        {"drwtsn32", {{{"gnome-abrt"}}, {{"gnome-logs"}}, {{"ksystemlog"}}}},
        {"dxdiag", {{{"hardinfo"}}, {{"kinfocenter"}}, {{"gnome-control-center", "info-overview"}}}},
        {"mmc C:\\windows\\system32\\com\\comexp.msc",
         {{{"systemdgenie"}},
          {{"gnome-system-monitor"}},
          {{"plasma-systemmonitor"}},
          {{"xfce4-taskmanager"}}}},
        {"regedit", {{{"dconf-editor"}}, {{"kconfigeditor"}}, {{"gconf-editor"}}}},
        // sysedit opened the system's start-up configuration files in an editor.
        {"sysedit",
         {{{"gnome-text-editor", "/etc/fstab"}},
          {{"gedit", "/etc/fstab"}},
          {{"kate", "/etc/fstab"}},
          {{"mousepad", "/etc/fstab"}},
          {{"pluma", "/etc/fstab"}},
          {{"featherpad", "/etc/fstab"}}}},
        {"C:\\Program Files\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe",
         {{{"hardinfo"}}, {{"kinfocenter"}}, {{"gnome-control-center", "info-overview"}}, {{"lshw-gtk"}}}},
        {"control",
         {{{"gnome-control-center"}},
          {{"systemsettings"}},
          {{"xfce4-settings-manager"}},
          {{"mate-control-center"}},
          {{"cinnamon-settings"}},
          {{"lxqt-config"}}}},
    };
    return tools;
}

bool isExecutableFile(const std::filesystem::path& file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error) && ::access(file.c_str(), X_OK) == 0;
}

// Double fork: the intermediate child exits at once and is reaped here, the program is re-parented to init.
bool spawnDetached(const std::string& executable, const std::vector<std::string>& argv) {
    std::vector<char*> args;
    args.reserve(argv.size() + 1);
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (child == 0) {
        ::setsid();
        if (::fork() == 0) {
            ::execv(executable.c_str(), args.data());
            const char failed = 1;
            [[maybe_unused]] auto written = ::write(pipeFds[1], &failed, 1);
            ::_exit(127);
        }
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    // The write end closes on a successful exec (close-on-exec) and carries a byte when exec failed.
    char failed = 0;
    const auto got = ::read(pipeFds[0], &failed, 1);
    ::close(pipeFds[0]);
    return got == 0;
}

} // namespace

const std::vector<Candidate>& candidatesFor(std::string_view windowsCommandLine) {
    static const std::vector<Candidate> none;
    const auto found = table().find(windowsCommandLine);
    return found == table().end() ? none : found->second;
}

std::vector<std::string> LinuxProgramLauncher::pathFromEnvironment() {
    std::vector<std::string> directories;
    const char* path = std::getenv("PATH");
    std::string_view rest = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!rest.empty()) {
        const auto colon = rest.find(':');
        const auto part = rest.substr(0, colon);
        if (!part.empty()) {
            directories.emplace_back(part);
        }
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    return directories;
}

std::string LinuxProgramLauncher::findExecutable(std::string_view name) const {
    for (const auto& directory : searchDirectories_) {
        const auto file = std::filesystem::path(directory) / name;
        if (isExecutableFile(file)) {
            return file.string();
        }
    }
    return {};
}

bool LinuxProgramLauncher::startProgram(const std::vector<std::string>& argv) const {
    if (argv.empty()) {
        return false;
    }
    const auto executable = findExecutable(argv.front());
    return !executable.empty() && spawnDetached(executable, argv);
}

LaunchResult LinuxProgramLauncher::run(std::string_view windowsCommandLine) {
    LaunchResult result;
    for (const auto& candidate : candidatesFor(windowsCommandLine)) {
        const auto& program = candidate.argv.front();
        result.lookedFor.push_back(program);
        if (startProgram(candidate.argv)) {
            result.launched = true;
            result.program = program;
            return result;
        }
    }
    return result;
}

} // namespace vexlin::platform::linux_impl
