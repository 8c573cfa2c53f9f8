#include "support/link_fixture.h"

#include <cstdio>
#include <stdexcept>

namespace zt30::test {

Bytes Hex(std::string_view text) {
    Bytes out;
    unsigned value = 0;
    int digits = 0;
    for (char c : text) {
        int d = -1;
        if (c >= '0' && c <= '9') {
            d = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            d = c - 'A' + 10;
        } else if (c >= 'a' && c <= 'f') {
            d = c - 'a' + 10;
        } else if (c != ' ') {
            throw std::invalid_argument("bad hex text");
        }
        if (d >= 0) {
            value = value * 16 + static_cast<unsigned>(d);
            if (++digits == 2) {
                out.push_back(static_cast<std::uint8_t>(value));
                value = 0;
                digits = 0;
            }
        }
    }
    if (digits != 0) {
        throw std::invalid_argument("odd hex text");
    }
    return out;
}

std::string ToHex(std::span<const std::uint8_t> bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", b);
        out += buf;
    }
    return out;
}

LinkFixture::LinkFixture() {
    auto backend = std::make_unique<FakeSerialBackend>(clock);
    fake = backend.get();
    line = std::make_unique<SerialLine>(settings, std::move(backend));
    link = std::make_unique<TelegramLayer>(*line, clock);
    link->SetDestinationAddress(1);
    link->SetSourceAddress(0);
    device = std::make_unique<DeviceOperations>(*link, image, ui);
    fake->onWrite = [this](std::span<const std::uint8_t>) {
        const std::size_t i = fake->writes.size() - 1;
        if (i < answers.size() && !answers[i].empty()) {
            fake->Arrive(answers[i], answerDelayMs);
        }
    };
    line->Open(1);
    openCalls_ = fake->calls.size();
}

std::vector<std::string> LinkFixture::CallsSinceOpen() const {
    return {fake->calls.begin() + static_cast<std::ptrdiff_t>(openCalls_), fake->calls.end()};
}

}  // namespace zt30::test
