// Debian's mosquitto on a free port of 127.0.0.1 for the publisher's tests: a configuration of its own in a
// temporary folder, with persistence there, so persistent sessions and their queued messages survive a stop
// and a start on the same port.
#pragma once

#include <sys/types.h>

#include <string>

namespace zt30::test {

// The mosquitto program, or empty when it is not installed.
std::string MosquittoBinary();

class MosquittoBroker {
public:
    // Starts it (Running() says whether it accepts connections).
    MosquittoBroker();
    MosquittoBroker(const MosquittoBroker&) = delete;
    MosquittoBroker& operator=(const MosquittoBroker&) = delete;
    // Stops it and removes its folder.
    ~MosquittoBroker();

    // Starts it on its port and waits up to 5 s until it accepts; false when it does not.
    bool Start();
    // SIGTERM (it saves its sessions) and waits for it to end.
    void Stop();
    bool Running() const { return pid_ > 0; }
    // "mqtt://127.0.0.1:PORT"
    std::string Address() const { return "mqtt://127.0.0.1:" + std::to_string(port_); }

private:
    int port_;
    std::string dir_;
    pid_t pid_ = -1;
};

}  // namespace zt30::test
