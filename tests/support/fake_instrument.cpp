#include "support/fake_instrument.h"

namespace zt30::test {

namespace {

constexpr std::uint8_t kDataFc = 0x08;
constexpr std::uint8_t kForeignFc = 0x0A;
constexpr std::int64_t kTurnaroundMs = 2;

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum);
}

}  // namespace

FakeInstrument::FakeInstrument(FakeSerialBackend& line) : line_(line) {
    tables.address = address;
    line_.onWrite = [this](std::span<const std::uint8_t> request) { Handle(request); };
}

void FakeInstrument::Answer(std::uint8_t to, std::uint8_t functionCode, const Bytes& data) {
    const auto le = static_cast<std::uint8_t>(data.size() + 3);
    Bytes frame = {0x68, le, le, 0x68, to, address, functionCode};
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(Sum(std::span(frame).subspan(4)));
    frame.push_back(0x16);
    line_.Arrive(frame, kTurnaroundMs);
}

void FakeInstrument::Acknowledge(std::uint8_t to) {
    line_.Arrive({0x10, to, address, 0x00, static_cast<std::uint8_t>(to + address), 0x16}, kTurnaroundMs);
}

void FakeInstrument::Handle(std::span<const std::uint8_t> request) {
    // Only well-formed SD2 requests to this station; the length byte gives where the data unit ends.
    if (!switchedOn || request.size() < 9 || request[0] != 0x68 || request[4] != address ||
        request.size() != std::size_t{request[1]} + 6u) {
        return;
    }
    const std::uint8_t master = request[5];
    const std::uint8_t command = request[7];
    const auto data = request.subspan(8, request.size() - 10);
    if (command == 0x00 && foreign) {
        Answer(master, kForeignFc, *foreign);
    } else if (command == 0x00 && identification && !foreign) {
        Answer(master, kDataFc, *identification);
    } else if (command == 0x04 && version && !foreign) {
        Answer(master, kDataFc, *version);
    } else if (command == 0x01 && data.size() == 1 && data[0] <= 5) {
        const int table = data[0];
        reads.push_back(table);
        if (silentReads.count(table) == 0) {
            Bytes bytes(TableLength(table));
            EncodeTable(table, tables, bytes);
            Answer(master, kDataFc, bytes);
        }
    } else if (command == 0x02 && !data.empty() && data[0] >= 1 && data[0] <= 5 &&
               data.size() == 1 + TableLength(data[0])) {
        const int table = data[0];
        writes.push_back(table);
        if (silentWrites.count(table) == 0) {
            if (forgetfulWrites.count(table) == 0) {
                DecodeTable(table, data.subspan(1), tables);
            }
            Acknowledge(master);
            address = tables.address;  // a new address holds from the next request on
        }
    }
}

FakeInstrumentLink::FakeInstrumentLink() {
    auto backend = std::make_unique<FakeSerialBackend>(clock);
    fake = backend.get();
    link = std::make_unique<InstrumentLink>(std::move(backend), clock, ui);
    link->telegrams.SetDestinationAddress(1);
    link->telegrams.SetSourceAddress(0);
    link->line.Open(1);
    instrument = std::make_unique<FakeInstrument>(*fake);
}

}  // namespace zt30::test
