#include "drives/SmartctlRunner.h"

#include "drives/HelperRequest.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string_view>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vexlin::drives {
namespace {

namespace fs = std::filesystem;

// smartctl -x of one drive is a few hundred kilobytes at most; more is not smartctl.
constexpr std::size_t kMaxOutput = 16 * 1024 * 1024;

struct Finished {
    bool timedOut = false;
    bool started = false;
    int exitCode = -1;
    std::string output;
};

Finished runProgram(const fs::path& program, const std::vector<std::string>& arguments,
                    std::chrono::milliseconds timeout) {
    Finished finished;
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return finished;
    }
    std::vector<char*> argv;
    std::string programText = program.string();
    argv.push_back(programText.data());
    std::vector<std::string> copies = arguments;
    for (auto& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);

    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return finished;
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            dup2(null, STDERR_FILENO);
        }
        execv(programText.c_str(), argv.data());
        _exit(127);
    }
    finished.started = true;
    close(pipeEnds[1]);

    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[65536];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            finished.timedOut = true;
            break;
        }
        pollfd wait{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            finished.timedOut = ready == 0;
            break;
        }
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        if (finished.output.size() + static_cast<std::size_t>(got) > kMaxOutput) {
            finished.timedOut = false;
            finished.output.clear();
            kill(child, SIGKILL);
            break;
        }
        finished.output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    if (finished.timedOut) {
        // A process that became root through pkexec cannot be killed from here; it goes when the drive
        // answers, and the kernel's init reaps it after this program ends.
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, WNOHANG);
        return finished;
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    finished.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return finished;
}

bool looksLikeJson(std::string_view output) {
    const auto start = output.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && output[start] == '{';
}

RunOutcome outcome(RunOutcome::Kind kind, std::string message) {
    RunOutcome result;
    result.kind = kind;
    result.message = std::move(message);
    return result;
}

std::string seconds(std::chrono::milliseconds timeout) {
    return std::to_string((timeout.count() + 999) / 1000);
}

} // namespace

std::string noSmartctlMessage() {
    return "Не найдена программа smartctl: установите пакет smartmontools (sudo apt install smartmontools).";
}

fs::path findProgram(const std::string& name, const std::string& more) {
    const char* path = std::getenv("PATH");
    std::string directories = path != nullptr ? path : "/usr/bin:/bin";
    directories += ":" + more;
    std::size_t start = 0;
    while (start <= directories.size()) {
        const auto end = std::min(directories.find(':', start), directories.size());
        const std::string directory = directories.substr(start, end - start);
        start = end + 1;
        if (directory.empty()) {
            continue;
        }
        const fs::path candidate = fs::path(directory) / name;
        if (access(candidate.c_str(), X_OK) == 0 && !fs::is_directory(candidate)) {
            return candidate;
        }
    }
    return {};
}

RunOutcome runSmartctl(const std::string& device, const RunSettings& settings, SmartAction action) {
    // Asked first, so that nobody types a password for a program that is not there.
    const fs::path smartctl = findProgram("smartctl", settings.systemDirectories);
    if (smartctl.empty()) {
        return outcome(RunOutcome::Kind::NoSmartctl, noSmartctlMessage());
    }
    Finished finished;
    if (settings.privileged) {
        std::vector<std::string> arguments = {"--json", "-x", "/dev/" + device};
        if (action == SmartAction::ShortSelfTest) {
            arguments = {"--json", "-t", "short", "/dev/" + device};
        }
        finished = runProgram(smartctl, arguments, settings.timeout);
    } else {
        const fs::path pkexec = findProgram("pkexec");
        if (pkexec.empty()) {
            return outcome(RunOutcome::Kind::NoPkexec,
                           "Не найдена программа pkexec, через которую Vexlin просит пароль администратора: "
                           "установите пакеты pkexec и polkitd (sudo apt install pkexec polkitd) или "
                           "запустите Vexlin от имени root.");
        }
        std::vector<std::string> arguments = {settings.helper.string(), device};
        if (action == SmartAction::ShortSelfTest) {
            arguments = {settings.helper.string(), std::string(kHelperShortTest), device};
        }
        finished = runProgram(pkexec, arguments, settings.timeout);
    }
    if (!finished.started) {
        return outcome(RunOutcome::Kind::Failed, "Не удалось запустить smartctl.");
    }
    if (finished.timedOut) {
        return outcome(RunOutcome::Kind::TimedOut, "Диск /dev/" + device + " не ответил за " +
                                                       seconds(settings.timeout) +
                                                       " с: он занят или завис. Попробуйте ещё раз позже.");
    }
    // smartctl's exit status is a bit field of what it found on the drive; its JSON is the answer.
    if (looksLikeJson(finished.output)) {
        RunOutcome result;
        result.kind = RunOutcome::Kind::Output;
        result.output = std::move(finished.output);
        return result;
    }
    if (!settings.privileged) {
        if (finished.exitCode == 126 || finished.exitCode == 127) {
            return outcome(RunOutcome::Kind::Refused,
                           "Пароль администратора не принят или окно пароля закрыто: здоровье дисков не "
                           "прочитано. Нажмите кнопку ещё раз и введите пароль администратора.");
        }
        if (finished.exitCode == kHelperNoSmartctl) {
            return outcome(RunOutcome::Kind::NoSmartctl, noSmartctlMessage());
        }
    }
    return outcome(RunOutcome::Kind::Failed, "smartctl завершился с кодом " +
                                                 std::to_string(finished.exitCode) + " и ничего не сообщил.");
}

} // namespace vexlin::drives
