// zt30-sim serving as COM port 1 of this system, for the tests of the system's serial backend. On Linux the
// simulator runs as a child process and port 1 maps to its pseudo-terminal through the port lookup; under
// Wine the test program starts the Linux simulator through the shell with a fixed link that the Wine prefix
// maps to COM1, so the Win32 backend opens "\\.\COM1" as on Windows. Either way the simulator's hex log tells
// what reached it and when.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "link/com_ports.h"
#include "support/hex.h"

namespace zt30::test {

// One line of the simulator's log ("  1.234 RX 68 05 ..."): seconds since its start, tag, bytes.
struct SimLogLine {
    double seconds = 0;
    std::string tag;  // RX (a request), TX (an answer), DROP, HANGUP
    Bytes bytes;
};

// Parses the simulator's log; lines of another form are skipped, and a fault note after the bytes is ignored.
std::vector<SimLogLine> ParseSimLog(const std::string& text);

class SimOnComOne {
public:
    // Starts the simulator with args (plus its request log) and waits up to 5 s until it serves the port;
    // Started() tells whether it does.
    explicit SimOnComOne(std::vector<std::string> args);
    SimOnComOne(const SimOnComOne&) = delete;
    SimOnComOne& operator=(const SimOnComOne&) = delete;
    // Stops the simulator and waits until its port is gone.
    ~SimOnComOne();

    bool Started() const;
    // The port lookup for MakeSystemSerialBackend: COM1 is the simulator, every other port an absent device.
    // The Win32 backend ignores it (the Wine prefix maps COM1 and COM2 the same way).
    PortDeviceLookup Lookup() const;
    // The whole log, for failure messages.
    std::string Log() const;
    std::vector<SimLogLine> Lines() const { return ParseSimLog(Log()); }
    // The requests logged so far, in order.
    std::vector<Bytes> Requests() const;
    // Waits up to timeoutMs until at least count requests are logged; returns those then logged.
    std::vector<Bytes> WaitForRequests(std::size_t count, int timeoutMs) const;

    // The lookup for the tests that run without a simulator: every port an absent device.
    static PortDeviceLookup AbsentPorts();

private:
    struct Process;
    std::unique_ptr<Process> process_;
};

// True when the program runs under Wine rather than on Windows or Linux itself.
bool RunningUnderWine();

}  // namespace zt30::test
