// An in-memory serial port on a fake clock, for tests of everything above the serial line. It records every
// call and written request, and delivers scripted incoming bytes at scripted times under the same read
// time-out rules as a real port (the requested count, the interval after a byte, the total), advancing the
// fake clock and reporting when the first and the last byte arrived.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/serial_line.h"

namespace zt30 {

class FakeClock final : public Clock {
public:
    std::int64_t NowMs() override { return now_; }
    void SleepMs(int ms) override;
    void Advance(std::int64_t ms) { now_ += ms; }
    // Every pause asked of SleepMs, in order (the clock advanced by each positive one).
    const std::vector<int>& Sleeps() const { return sleeps_; }

private:
    std::int64_t now_ = 0;
    std::vector<int> sleeps_;
};

class FakeSerialBackend final : public SerialBackend {
public:
    explicit FakeSerialBackend(FakeClock& clock) : clock_(clock) {}

    // Scripting the other side. OnWrite is called with each written request (after it is recorded); it
    // usually calls Arrive to queue the answer.
    std::function<void(std::span<const std::uint8_t> request)> onWrite;
    // Queues bytes that arrive delayMs after now, then one every gapMs.
    void Arrive(std::span<const std::uint8_t> bytes, std::int64_t delayMs = 0, std::int64_t gapMs = 0);
    void Arrive(std::initializer_list<std::uint8_t> bytes, std::int64_t delayMs = 0, std::int64_t gapMs = 0);

    // Failure knobs: each makes the named platform call fail.
    bool failOpen = false;
    bool failQueues = false;
    bool failTimeouts = false;
    bool failGetConfig = false;
    bool failSetConfig = false;
    bool failWrite = false;
    bool failRead = false;
    // Raises a line error (as a parity error would) at the next read: with abort-on-error on, that read and
    // every later read and write fail until the port is reopened.
    void InjectLineError() { lineErrorPending_ = true; }

    // What happened, in order: "open 3", "queues 256 256", "timeouts 100 2 500", "getconfig", "setconfig
    // 9600", "purge rx", "purge tx", "read 17 -> 17", "write 11", "close".
    std::vector<std::string> calls;
    std::vector<std::vector<std::uint8_t>> writes;
    // Off, neither calls nor writes are kept (a fuzz target running millions of exchanges keeps its own).
    bool keepRecords = true;
    LineConfig systemConfig;  // what GetConfig reports; SetConfig stores here
    ReadTimeouts timeouts;
    bool isOpen = false;

    bool OpenPort(int portNumber) override;
    bool SetQueues(std::size_t inputBytes, std::size_t outputBytes) override;
    bool SetReadTimeouts(const ReadTimeouts& t) override;
    bool GetConfig(LineConfig& config) override;
    bool SetConfig(const LineConfig& config) override;
    void PurgeReceive() override;
    void PurgeTransmit() override;
    ReadResult Read(std::span<std::uint8_t> buffer) override;
    bool Write(std::span<const std::uint8_t> data) override;
    void ClosePort() override;

private:
    struct Incoming {
        std::int64_t at;
        std::uint8_t byte;
    };
    FakeClock& clock_;
    std::deque<Incoming> incoming_;
    bool lineErrorPending_ = false;
    bool lineErrorState_ = false;
};

}  // namespace zt30
