// Driving zt30-sim from the integration tests and the benchmarks: the simulator running on its own
// pseudo-terminal for the life of a SimProcess (its slave path read from its first output line, its hex log
// of requests read back from standard error), and a one-shot run of a program with its output captured.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace zt30::test {

class SimProcess {
public:
    // Starts the simulator binary with the arguments (plus -v, for the request log) and waits up to 5 s for
    // its slave path; SlavePath() is empty when that failed.
    SimProcess(const std::string& binary, std::vector<std::string> args);
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    // Terminates the simulator (SIGTERM, then SIGKILL after 2 s) and removes its log.
    ~SimProcess();

    const std::string& SlavePath() const { return slavePath_; }
    // True while the simulator has not exited.
    bool Running();
    // The requests the simulator received so far, in order, from its log (lines "... RX hex bytes").
    std::vector<std::vector<std::uint8_t>> Requests() const;
    // Waits up to timeoutMs until at least count requests are logged; returns the requests then logged.
    std::vector<std::vector<std::uint8_t>> WaitForRequests(std::size_t count, int timeoutMs) const;
    // The whole log, for failure messages.
    std::string Log() const;

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string logPath_;
    std::string slavePath_;
};

struct ProgramRun {
    int exitCode = -1;  // -1 when the program was killed or did not finish within the time limit
    std::string out;
    std::string err;
    long elapsedMs = 0;
};

// Runs binary with args, the extra environment entries ("NAME=value") added to this process's environment,
// and collects its output; kills it after timeoutMs.
ProgramRun RunProgram(const std::string& binary, const std::vector<std::string>& args,
                      const std::vector<std::string>& extraEnvironment = {}, int timeoutMs = 30000);

// "68 05 05 68" -> bytes; an unparsable token is skipped.
std::vector<std::uint8_t> ParseHex(const std::string& text);

}  // namespace zt30::test
