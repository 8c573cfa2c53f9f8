// A ZANTOR 30 on the fake line for the dialog tests: it answers table reads from its own tables, takes table
// writes into them (a new address after the acknowledgement), answers identification and version with set
// texts, and can stay silent on chosen tables or play a device of another kind. Its answers are built by
// hand here, not by the link's own frame code.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "link/device.h"
#include "link/instrument_link.h"
#include "support/fake_serial_backend.h"
#include "support/hex.h"
#include "support/ui_recorder.h"

namespace zt30::test {

class FakeInstrument {
public:
    // Answers the requests written to line from now on.
    explicit FakeInstrument(FakeSerialBackend& line);

    DeviceImage tables;         // tables 0 to 5 (address included)
    std::uint8_t address = 1;   // the station address it answers at
    bool switchedOn = true;     // false: silent on every request
    std::set<int> silentReads;  // tables whose reads get no answer
    std::set<int> silentWrites;
    std::set<int> forgetfulWrites;        // acknowledged, but the tables keep their old bytes
    std::optional<Bytes> identification;  // data of the answer to command 0; nullopt: silent
    std::optional<Bytes> version;         // data of the answer to command 4
    // A device of another kind: command 0 is answered with FC 0x0A and this data unit (its format byte
    // first), command 4 not at all; identification and version are then ignored.
    std::optional<Bytes> foreign;

    // The table numbers of the reads and writes it received, in order.
    std::vector<int> reads;
    std::vector<int> writes;

private:
    void Handle(std::span<const std::uint8_t> request);
    void Answer(std::uint8_t to, std::uint8_t functionCode, const Bytes& data);
    void Acknowledge(std::uint8_t to);

    FakeSerialBackend& line_;
};

// The program's InstrumentLink over the fake line on a fake clock, open, addressed from 0 to the instrument
// at 1, with every box recorded.
struct FakeInstrumentLink {
    FakeInstrumentLink();

    UiRecorder ui;
    FakeClock clock;
    FakeSerialBackend* fake = nullptr;  // owned by link
    std::unique_ptr<InstrumentLink> link;
    std::unique_ptr<FakeInstrument> instrument;
};

}  // namespace zt30::test
