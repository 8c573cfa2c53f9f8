// A pseudo-terminal pair for tests of the serial backend: the backend opens the slave end by its path, the
// test plays the instrument on the master end (raw, non-blocking) with reads and writes that wait on the
// descriptor, and watches the slave through a second descriptor opened before any backend's.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "link/posix_serial_backend.h"

namespace zt30::test {

class PtyPair {
public:
    // Opens a master and makes its slave available; fails the current test when the system refuses.
    PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;
    ~PtyPair();

    const std::string& SlavePath() const { return slavePath_; }
    int MasterFd() const { return master_; }
    // A second descriptor of the slave (the backend's exclusive mode does not stop it): to watch the input
    // queue or change the terminal behind the backend's back; -1 when it could not be opened.
    int SlaveWatchFd() const { return watch_; }
    // Waits until bytes written to the master can be read at the slave; false after timeout.
    bool WaitForSlaveInput(std::chrono::milliseconds timeout);
    // Writes all bytes to the master end; true when the system took them.
    bool WriteMaster(const std::vector<std::uint8_t>& bytes);
    // Reads from the master end until count bytes arrived or timeout passed.
    std::vector<std::uint8_t> ReadMaster(std::size_t count, std::chrono::milliseconds timeout);
    // Closes the master end, as when the device disappears; safe to call twice.
    void CloseMaster();

private:
    int master_ = -1;
    int watch_ = -1;
    std::string slavePath_;
};

// Port 1 of the backend opens the slave; every other port keeps its default device.
PortDeviceLookup SlaveAsPortOne(const PtyPair& pty);

// Opens port 1 and sets it up as the line does (queues, time-outs, configuration with parity checking).
bool OpenLikeTheLine(PosixSerialBackend& backend, std::uint32_t baudRate = 9600, bool abortOnError = true);

}  // namespace zt30::test
