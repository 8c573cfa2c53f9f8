// Debian's ser2net serving a device on 127.0.0.1, for the integration tests and the benchmarks of the
// network line: a configuration of its own in a temporary folder with two accepters on free ports, one with
// Telnet and the COM port option, one raw, both on the same device (so one client at a time).
#pragma once

#include <sys/types.h>

#include <string>

namespace zt30::test {

// The ser2net program, or empty when it is not installed.
std::string Ser2netBinary();

// True when a TCP connection to port of 127.0.0.1 is accepted.
bool AcceptsConnections(int port);
// A port of 127.0.0.1 that nothing listens on just now.
int FreePort();

class Ser2netProcess {
public:
    // Starts ser2net serving device and waits up to 5 s for it to accept; Running() says whether it does.
    explicit Ser2netProcess(const std::string& device);
    Ser2netProcess(const Ser2netProcess&) = delete;
    Ser2netProcess& operator=(const Ser2netProcess&) = delete;
    // Stops it (SIGTERM) and removes its folder.
    ~Ser2netProcess();

    bool Running() const { return pid_ > 0; }
    // Ends it with the signal (SIGKILL: the server goes away without a word) and waits for it.
    void Stop(int signal);
    // "rfc2217://127.0.0.1:PORT" or "tcp://127.0.0.1:PORT".
    std::string Address(bool telnet) const;

    const int telnetPort;
    const int rawPort;

private:
    std::string dir_;
    pid_t pid_ = -1;
};

}  // namespace zt30::test
