// A complete link over the in-memory serial port and a fake clock: settings, line, telegram layer, device
// image and operations, with a scripted instrument that answers each written request from a list.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "link/device.h"
#include "link/serial_line.h"
#include "link/telegram.h"
#include "support/fake_serial_backend.h"
#include "support/hex.h"
#include "support/ui_recorder.h"

namespace zt30::test {

// A good SD2 data answer from station `from` to station 0 carrying data (check sum added by hand).
Bytes DataAnswer(const Bytes& data, std::uint8_t from = 1);

class LinkFixture {
public:
    LinkFixture();

    // The answer to the i-th written request (from 0); a missing or empty entry means no answer.
    // Each answer arrives answerDelayMs after the request, its bytes back to back.
    std::vector<Bytes> answers;
    std::int64_t answerDelayMs = 2;
    std::size_t WriteCount() const { return fake->writes.size(); }
    // The calls the line made after the fixture's own Open.
    std::vector<std::string> CallsSinceOpen() const;

    FakeClock clock;
    PortSettings settings{1, 9600, 1, 0};
    FakeSerialBackend* fake = nullptr;  // owned by line
    std::unique_ptr<SerialLine> line;
    std::unique_ptr<TelegramLayer> link;
    DeviceImage image;
    UiRecorder ui;
    std::unique_ptr<DeviceOperations> device;

private:
    std::size_t openCalls_ = 0;
};

}  // namespace zt30::test
