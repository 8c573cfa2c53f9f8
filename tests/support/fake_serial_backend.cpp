#include "support/fake_serial_backend.h"

#include <algorithm>

namespace zt30 {

void FakeClock::SleepMs(int ms) {
    sleeps_.push_back(ms);
    if (ms > 0) {
        now_ += ms;
    }
}

void FakeSerialBackend::Arrive(std::span<const std::uint8_t> bytes, std::int64_t delayMs,
                               std::int64_t gapMs) {
    std::int64_t at = clock_.NowMs() + delayMs;
    if (!incoming_.empty()) {
        at = std::max(at, incoming_.back().at);
    }
    for (std::uint8_t b : bytes) {
        incoming_.push_back({at, b});
        at += gapMs;
    }
}

void FakeSerialBackend::Arrive(std::initializer_list<std::uint8_t> bytes, std::int64_t delayMs,
                               std::int64_t gapMs) {
    Arrive(std::span<const std::uint8_t>(bytes.begin(), bytes.size()), delayMs, gapMs);
}

bool FakeSerialBackend::OpenPort(int portNumber) {
    if (keepRecords) {
        calls.push_back("open " + std::to_string(portNumber));
    }
    // Port 0 ("no port") names no device on any system.
    if (failOpen || isOpen || portNumber < 1) {
        return false;
    }
    isOpen = true;
    lineErrorPending_ = false;
    lineErrorState_ = false;
    incoming_.clear();
    return true;
}

bool FakeSerialBackend::SetQueues(std::size_t inputBytes, std::size_t outputBytes) {
    if (keepRecords) {
        calls.push_back("queues " + std::to_string(inputBytes) + " " + std::to_string(outputBytes));
    }
    return isOpen && !failQueues;
}

bool FakeSerialBackend::SetReadTimeouts(const ReadTimeouts& t) {
    if (keepRecords) {
        calls.push_back("timeouts " + std::to_string(t.intervalMs) + " " +
                        std::to_string(t.totalMultiplierMs) + " " + std::to_string(t.totalConstantMs));
    }
    if (!isOpen || failTimeouts) {
        return false;
    }
    timeouts = t;
    return true;
}

bool FakeSerialBackend::GetConfig(LineConfig& config) {
    if (keepRecords) {
        calls.push_back("getconfig");
    }
    if (!isOpen || failGetConfig) {
        return false;
    }
    config = systemConfig;
    return true;
}

bool FakeSerialBackend::SetConfig(const LineConfig& config) {
    if (keepRecords) {
        calls.push_back("setconfig " + std::to_string(config.baudRate));
    }
    if (!isOpen || failSetConfig) {
        return false;
    }
    systemConfig = config;
    return true;
}

void FakeSerialBackend::PurgeReceive() {
    if (keepRecords) {
        calls.push_back("purge rx");
    }
    const std::int64_t now = clock_.NowMs();
    while (!incoming_.empty() && incoming_.front().at <= now) {
        incoming_.pop_front();
    }
}

void FakeSerialBackend::PurgeTransmit() {
    if (keepRecords) {
        calls.push_back("purge tx");
    }
}

ReadResult FakeSerialBackend::Read(std::span<std::uint8_t> buffer) {
    const std::size_t n = buffer.size();
    const std::int64_t start = clock_.NowMs();
    const std::int64_t deadline =
        start + timeouts.totalConstantMs + static_cast<std::int64_t>(timeouts.totalMultiplierMs) * n;
    if (!isOpen || failRead || (lineErrorState_ && systemConfig.abortOnError)) {
        if (keepRecords) {
            calls.push_back("read " + std::to_string(n) + " failed");
        }
        return {};
    }
    if (lineErrorPending_) {
        lineErrorPending_ = false;
        lineErrorState_ = true;
        if (systemConfig.abortOnError) {
            if (keepRecords) {
                calls.push_back("read " + std::to_string(n) + " failed");
            }
            return {};
        }
    }
    std::size_t count = 0;
    std::int64_t now = start;
    std::int64_t lastByte = 0;
    std::int64_t firstByte = 0;
    while (count < n) {
        std::int64_t limit = deadline;
        if (count > 0 && timeouts.intervalMs > 0) {
            limit = std::min(limit, lastByte + timeouts.intervalMs);
        }
        if (incoming_.empty() || incoming_.front().at > limit) {
            now = limit;
            break;
        }
        now = std::max(now, incoming_.front().at);
        buffer[count++] = incoming_.front().byte;
        incoming_.pop_front();
        lastByte = now;
        if (count == 1) {
            firstByte = now;
        }
    }
    clock_.Advance(now - start);
    if (keepRecords) {
        calls.push_back("read " + std::to_string(n) + " -> " + std::to_string(count));
    }
    ReadResult result{true, count};
    if (count > 0) {
        result.firstByteUs = (firstByte - start) * 1000;
        result.lastByteUs = (lastByte - start) * 1000;
    }
    return result;
}

bool FakeSerialBackend::Write(std::span<const std::uint8_t> data) {
    if (keepRecords) {
        calls.push_back("write " + std::to_string(data.size()));
    }
    if (!isOpen || failWrite || (lineErrorState_ && systemConfig.abortOnError)) {
        return false;
    }
    if (keepRecords) {
        writes.emplace_back(data.begin(), data.end());
    }
    if (onWrite) {
        onWrite(data);
    }
    return true;
}

void FakeSerialBackend::ClosePort() {
    if (keepRecords) {
        calls.push_back("close");
    }
    isOpen = false;
}

}  // namespace zt30
