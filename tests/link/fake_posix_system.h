// A scripted operating system under the POSIX serial backend: one terminal whose incoming bytes, hang-up,
// signals, failing calls, output queue and error counters are set up in advance on a fake monotonic clock
// that only the waits (poll) advance. Nothing sleeps, so every interrupted, partial or failing call happens
// exactly where the test puts it, and every time-out can be asserted to the millisecond.
#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "link/posix_system.h"

namespace zt30::test {

// The driver's error counters the backend watches (TIOCGICOUNT).
enum class DriverCounter { Overrun, BufferOverrun, Parity, Frame, Break };

class FakePosixSystem final : public PosixSystem {
public:
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    // ---- the other side, in milliseconds of the fake clock (0 is where the test starts)
    // Bytes that reach the receive queue at atMs.
    void Arrive(std::int64_t atMs, std::vector<std::uint8_t> bytes);
    // From atMs a poll ends with POLLHUP, a read returns 0 and a write fails with EIO.
    std::int64_t hangupAtMs = kNever;
    // A poll still waiting at one of these times ends with EINTR there.
    std::vector<std::int64_t> signalsAtMs;
    // errno of the next read or write calls, one per call (EINTR, EAGAIN, EIO, ...).
    std::deque<int> readErrors;
    std::deque<int> writeErrors;
    // The most bytes one write call takes.
    std::size_t writeLimit = std::numeric_limits<std::size_t>::max();
    // Before this time a write finds no room (EAGAIN) and a poll for POLLOUT waits for it.
    std::int64_t writableAtMs = 0;
    // The output queue empties this long after a write took its bytes (kNever: it never does).
    std::int64_t drainMs = 0;
    // The driver's counter rises by one at atMs.
    void CountError(std::int64_t atMs, DriverCounter counter);
    bool countersSupported = true;  // false: TIOCGICOUNT fails with EINVAL, as on a pseudo-terminal
    // Failing open steps.
    bool notTerminal = false;
    bool lockTaken = false;  // another process holds the lock
    bool exclusiveFails = false;

    // ---- what happened
    // Calls other than reads, writes, polls and the clock, in order: "open /dev/ttyS0", "lock", "TIOCEXCL",
    // "tcsetattr", "flush in", "flush out", "unlock", "TIOCNXCL", "close".
    std::vector<std::string> calls;
    std::vector<int> pollTimeouts;      // the time-out of every poll, in ms
    std::vector<std::uint8_t> written;  // every byte a write took
    std::size_t writeCalls = 0;
    termios attributes{};         // what tcgetattr reports; tcsetattr stores here
    std::uint32_t exactRate = 0;  // the rate set through termios2
    std::int64_t NowMs() const { return (now_ - kOrigin) / 1'000'000; }

    int Open(const char* path, int flags) override;
    int Close(int fd) override;
    int IsTerminal(int fd) override;
    int Ioctl(int fd, unsigned long request, void* argument) override;
    int GetAttributes(int fd, termios& t) override;
    int SetAttributes(int fd, const termios& t) override;
    int Flush(int fd, int queue) override;
    int Lock(int fd, int operation) override;
    int Poll(pollfd* fds, nfds_t count, int timeoutMs) override;
    ssize_t Read(int fd, void* buffer, std::size_t count) override;
    ssize_t Write(int fd, const void* data, std::size_t count) override;
    std::int64_t MonotonicNanos() override { return now_; }

private:
    // An origin far from zero, so no code can mistake the clock for time since the open.
    static constexpr std::int64_t kOrigin = 1'000'000'000'000;
    struct Incoming {
        std::int64_t atNs;
        std::uint8_t byte;
    };
    struct CounterStep {
        std::int64_t atNs;
        DriverCounter counter;
    };
    static std::int64_t Ns(std::int64_t ms) { return ms == kNever ? kNever : kOrigin + ms * 1'000'000; }
    bool HungUp() const { return now_ >= Ns(hangupAtMs); }

    std::int64_t now_ = kOrigin;
    std::deque<Incoming> incoming_;
    std::vector<CounterStep> counterSteps_;
    std::int64_t queueEmptyAtNs_ = kOrigin;
    int queued_ = 0;
};

}  // namespace zt30::test
