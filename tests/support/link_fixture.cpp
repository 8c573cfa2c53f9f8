#include "support/link_fixture.h"

namespace zt30::test {

Bytes DataAnswer(const Bytes& data, std::uint8_t from) {
    const auto le = static_cast<std::uint8_t>(data.size() + 3);
    Bytes frame = {0x68, le, le, 0x68, 0x00, from, 0x08};
    for (std::uint8_t b : data) {
        frame.push_back(b);
    }
    unsigned sum = 0;
    for (std::size_t i = 4; i < frame.size(); ++i) {
        sum += frame[i];
    }
    frame.push_back(static_cast<std::uint8_t>(sum));
    frame.push_back(0x16);
    return frame;
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
