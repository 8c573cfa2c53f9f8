#include "sim/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "base/text_rules.h"

extern char** environ;

namespace zt30::test {

namespace {

using SteadyClock = std::chrono::steady_clock;

long MsSince(SteadyClock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count());
}

std::vector<char*> ArgvOf(const std::string& binary, std::vector<std::string>& args) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(binary.c_str()));
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    return argv;
}

// Waits for the child to end for up to timeoutMs; its wait status, or nullopt-like -1 when it still runs.
int WaitFor(pid_t pid, int timeoutMs, int& status) {
    const auto start = SteadyClock::now();
    for (;;) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            return done == pid ? 0 : -1;
        }
        if (MsSince(start) >= timeoutMs) {
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

std::vector<std::uint8_t> ParseHex(const std::string& text) {
    std::vector<std::uint8_t> bytes;
    std::istringstream tokens(text);
    std::string token;
    while (tokens >> token) {
        const int high = token.size() == 2 ? HexDigitValue(token[0]) : -1;
        const int low = token.size() == 2 ? HexDigitValue(token[1]) : -1;
        if (high >= 0 && low >= 0) {
            bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
        }
    }
    return bytes;
}

SimProcess::SimProcess(const std::string& binary, std::vector<std::string> args) {
    char logTemplate[] = "/tmp/zt30-sim-log-XXXXXX";
    const int logFd = mkostemp(logTemplate, O_CLOEXEC);
    int pipeFds[2] = {-1, -1};
    if (logFd < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
        if (logFd >= 0) {
            close(logFd);
            unlink(logTemplate);
        }
        return;
    }
    logPath_ = logTemplate;
    args.push_back("-v");
    std::vector<char*> argv = ArgvOf(binary, args);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, logFd, STDERR_FILENO);
    const int spawned = posix_spawn(&pid_, binary.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    close(logFd);
    stdoutFd_ = pipeFds[0];
    if (spawned != 0) {
        pid_ = -1;
        return;
    }

    // The first line of standard output is the slave's path.
    std::string line;
    const auto start = SteadyClock::now();
    while (line.find('\n') == std::string::npos && MsSince(start) < 5000) {
        pollfd fd{stdoutFd_, POLLIN, 0};
        if (poll(&fd, 1, 100) <= 0) {
            continue;
        }
        char buffer[256];
        const ssize_t n = read(stdoutFd_, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        line.append(buffer, static_cast<std::size_t>(n));
    }
    if (const std::size_t end = line.find('\n'); end != std::string::npos) {
        slavePath_ = line.substr(0, end);
    }
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        int status = 0;
        kill(pid_, SIGTERM);
        if (WaitFor(pid_, 2000, status) != 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (stdoutFd_ >= 0) {
        close(stdoutFd_);
    }
    if (!logPath_.empty()) {
        unlink(logPath_.c_str());
    }
}

bool SimProcess::Running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

std::string SimProcess::Log() const {
    std::ifstream file(logPath_, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::vector<std::uint8_t>> SimProcess::Requests() const {
    std::vector<std::vector<std::uint8_t>> requests;
    std::istringstream lines(Log());
    std::string line;
    while (std::getline(lines, line)) {
        const std::size_t rx = line.find(" RX");
        if (rx != std::string::npos) {
            requests.push_back(ParseHex(line.substr(rx + 3)));
        }
    }
    return requests;
}

std::vector<std::vector<std::uint8_t>> SimProcess::WaitForRequests(std::size_t count, int timeoutMs) const {
    const auto start = SteadyClock::now();
    auto requests = Requests();
    while (requests.size() < count && MsSince(start) < timeoutMs) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        requests = Requests();
    }
    return requests;
}

ProgramRun RunProgram(const std::string& binary, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnvironment, int timeoutMs) {
    ProgramRun run;
    std::vector<std::string> environment = extraEnvironment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        const bool overridden = std::any_of(
            extraEnvironment.begin(), extraEnvironment.end(),
            [&name](const std::string& extra) { return extra.compare(0, name.size() + 1, name + "=") == 0; });
        if (!overridden) {
            environment.push_back(text);
        }
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> argsCopy = args;
    std::vector<char*> argv = ArgvOf(binary, argsCopy);

    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return run;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    pid_t pid = -1;
    const auto start = SteadyClock::now();
    const int spawned = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawned == 0) {
        pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
        std::string* sinks[2] = {&run.out, &run.err};
        int open = 2;
        while (open > 0 && MsSince(start) < timeoutMs) {
            if (poll(fds, 2, 50) <= 0) {
                continue;
            }
            for (int i = 0; i < 2; ++i) {
                if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                    char buffer[4096];
                    const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
                    if (n > 0) {
                        sinks[i]->append(buffer, static_cast<std::size_t>(n));
                    } else if (n == 0 || errno != EINTR) {
                        fds[i].fd = -1;
                        --open;
                    }
                }
            }
        }
        int status = 0;
        if (WaitFor(pid, static_cast<int>(std::max(0L, timeoutMs - MsSince(start))), status) != 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
        } else if (WIFEXITED(status)) {
            run.exitCode = WEXITSTATUS(status);
        }
    }
    run.elapsedMs = MsSince(start);
    close(outPipe[0]);
    close(errPipe[0]);
    return run;
}

}  // namespace zt30::test
