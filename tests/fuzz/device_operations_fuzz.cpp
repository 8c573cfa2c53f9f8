// Fuzz target: every device operation over the in-memory line, the fuzzer's bytes being the instrument's
// answers. One input runs several operations in a row on one link, so the frame buffers and the device image
// carry over from one exchange to the next as in the program.
//
// Input: [SA], then steps until the input is used up (at most kMaxSteps):
//   [operation] [DA] [knobs]   knobs bit 0: the writes fail, bit 1: the reads fail, bit 2: a line error at
//                              the next read, bit 3: the line is reopened before the step
//   and, for every request the operation writes, its answer: [delay in 5 ms] [gap in ms] [count] [count
//   bytes]
//
// Each answer is checked against its own reading of the frame rules, written here without the program's
// code: the result of each pattern follows from the bytes the reads delivered, the requests on the line are
// the reference frames of the image, every wait stays within the read time-outs, the image is untouched by a
// failure and takes on success only the fields of its table from the bytes this exchange delivered.
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "link/device.h"
#include "link/serial_line.h"
#include "link/telegram.h"
#include "support/fake_serial_backend.h"
#include "tests/fuzz/fuzz_support.h"

namespace zt30::fuzz {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kMaxSteps = 8;

enum class Event : std::uint8_t { PurgeReceive, PurgeTransmit, Read, Write };

// Forwards to the fake line (which keeps no records of its own) and keeps the outcome of every write and the
// bytes of every read.
class RecordingBackend final : public SerialBackend {
public:
    explicit RecordingBackend(FakeClock& clock) : fake(clock) {
        fake.keepRecords = false;
        reads.reserve(3 * kMaxSteps);
        writes.reserve(3 * kMaxSteps);
        asked.reserve(3 * kMaxSteps);
        events.reserve(8 * kMaxSteps);
    }

    bool OpenPort(int n) override { return fake.OpenPort(n); }
    bool SetQueues(std::size_t in, std::size_t out) override { return fake.SetQueues(in, out); }
    bool SetReadTimeouts(const ReadTimeouts& t) override { return fake.SetReadTimeouts(t); }
    bool GetConfig(LineConfig& c) override { return fake.GetConfig(c); }
    bool SetConfig(const LineConfig& c) override { return fake.SetConfig(c); }
    void PurgeReceive() override {
        events.push_back(Event::PurgeReceive);
        fake.PurgeReceive();
    }
    void PurgeTransmit() override {
        events.push_back(Event::PurgeTransmit);
        fake.PurgeTransmit();
    }
    ReadResult Read(std::span<std::uint8_t> buffer) override {
        asked.push_back(buffer.size());
        const ReadResult r = fake.Read(buffer);
        ZT30_FUZZ_CHECK(r.count <= buffer.size());
        reads.push_back({r.ok, Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(r.count))});
        events.push_back(Event::Read);
        return r;
    }
    bool Write(std::span<const std::uint8_t> data) override {
        const bool ok = fake.Write(data);
        writes.push_back({ok, Bytes(data.begin(), data.end())});
        events.push_back(Event::Write);
        return ok;
    }
    void ClosePort() override { fake.ClosePort(); }

    struct Transfer {
        bool ok;
        Bytes bytes;
    };
    FakeSerialBackend fake;
    std::vector<Transfer> reads;
    std::vector<Transfer> writes;
    std::vector<std::size_t> asked;
    std::vector<Event> events;
};

class CountingUi final : public UiServices {
public:
    MessageAnswer ShowMessage(const std::string& text, const std::string& caption, MessageIcon,
                              MessageButtons) override {
        last = caption + "|" + text;
        ++count;
        return MessageAnswer::Ok;
    }
    int count = 0;
    std::string last;
};

// ---- the frame rules, as the reference reads them

std::uint8_t Sum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(sum & 0xFF);
}

bool GoodDataAnswer(const Bytes& r) {
    if (r.size() < 7 || r[0] != 0x68 || r[1] != r[2] || r[6] != 0x08) {
        return false;
    }
    const std::size_t le = r[1];
    return r.size() >= le + 6 && r[le + 5] == 0x16 && r[le + 4] == Sum({r.data() + 4, le});
}

bool GoodAcknowledgement(const Bytes& r) {
    return r.size() == 6 && r[0] == 0x10 && r[3] == 0x00 && r[5] == 0x16 && r[4] == Sum({r.data() + 1, 3});
}

Bytes Sd2Request(std::uint8_t da, std::uint8_t sa, std::uint8_t fc, const Bytes& unit) {
    const auto le = static_cast<std::uint8_t>(unit.size() + 3);
    Bytes frame = {0x68, le, le, 0x68, da, sa, fc};
    frame.insert(frame.end(), unit.begin(), unit.end());
    frame.push_back(Sum({frame.data() + 4, le}));
    frame.push_back(0x16);
    return frame;
}

void PutFloat(Bytes& out, float value) {
    const auto bits = std::bit_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
}

float GetFloat(const Bytes& data, std::size_t at) {
    std::uint32_t bits = 0;
    for (int i = 3; i >= 0; --i) {
        bits = bits << 8 | data[at + static_cast<std::size_t>(i)];
    }
    return std::bit_cast<float>(bits);
}

// The table's bytes as they travel, from the image's fields.
Bytes TableBytes(int table, const DeviceImage& d) {
    Bytes out;
    switch (table) {
        case 1:
            out = {d.func,
                   d.dp,
                   d.factor,
                   d.config,
                   static_cast<std::uint8_t>(d.filtr & 0xFF),
                   static_cast<std::uint8_t>(d.filtr >> 8)};
            break;
        case 2:
            PutFloat(out, d.scale);
            PutFloat(out, d.offset);
            break;
        case 3:
            PutFloat(out, d.sp_lo);
            PutFloat(out, d.sp_hi);
            PutFloat(out, d.hyster);
            break;
        case 4:
            PutFloat(out, d.an_lo);
            PutFloat(out, d.an_hi);
            break;
        case 5:
            out = {d.address};
            break;
        default:
            break;
    }
    return out;
}

// The image with table n's fields taken from the data bytes (at least the table's length).
DeviceImage WithTable(DeviceImage d, int table, const Bytes& data, std::size_t at) {
    switch (table) {
        case 0:
            d.value = GetFloat(data, at);
            d.suma = GetFloat(data, at + 4);
            break;
        case 1:
            d.func = data[at];
            d.dp = data[at + 1];
            d.factor = data[at + 2];
            d.config = data[at + 3];
            d.filtr = static_cast<std::uint16_t>(data[at + 4] | data[at + 5] << 8);
            break;
        case 2:
            d.scale = GetFloat(data, at);
            d.offset = GetFloat(data, at + 4);
            break;
        case 3:
            d.sp_lo = GetFloat(data, at);
            d.sp_hi = GetFloat(data, at + 4);
            d.hyster = GetFloat(data, at + 8);
            break;
        case 4:
            d.an_lo = GetFloat(data, at);
            d.an_hi = GetFloat(data, at + 4);
            break;
        case 5:
            d.address = data[at];
            break;
        default:
            break;
    }
    return d;
}

// Images compared bit for bit: a float answer may be a NaN, which never equals itself.
bool SameBits(const DeviceImage& a, const DeviceImage& b) {
    // The struct has padding; compare field by field through their bytes.
    const auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
    return same(a.value, b.value) && same(a.suma, b.suma) && a.func == b.func && a.dp == b.dp &&
           a.factor == b.factor && a.config == b.config && a.filtr == b.filtr && same(a.scale, b.scale) &&
           same(a.offset, b.offset) && same(a.sp_lo, b.sp_lo) && same(a.sp_hi, b.sp_hi) &&
           same(a.hyster, b.hyster) && same(a.an_lo, b.an_lo) && same(a.an_hi, b.an_hi) &&
           a.address == b.address && a.identType == b.identType && a.identVersion == b.identVersion &&
           a.identForeign == b.identForeign;
}

template <std::size_t N>
std::array<std::uint8_t, N> Block(const Bytes& r, std::size_t from, std::size_t count) {
    std::array<std::uint8_t, N> block{};
    for (std::size_t i = 0; i < count && i < N - 1; ++i) {
        block[i] = r[from + i];
    }
    return block;
}

// ---- the operations

enum class Pattern { None, A, B, C, D, E };

struct Operation {
    int kind;   // 0 read table, 1 write table, 2 clear counter, 3 clear sum, 4 ident, 5 version, 6 foreign,
                // 7 station status
    int table;  // for kinds 0 and 1: -1 to 7, the numbers outside the valid range included
};

constexpr int kOperationCount = 9 + 9 + 6;

Operation OperationOf(std::uint8_t code) {
    const int n = code % kOperationCount;
    if (n < 9) {
        return {0, n - 1};
    }
    if (n < 18) {
        return {1, n - 10};
    }
    return {n - 16, 0};
}

bool Valid(const Operation& op) {
    if (op.kind == 0) {
        return op.table >= 0 && op.table <= 5;
    }
    if (op.kind == 1) {
        return op.table >= 1 && op.table <= 5;
    }
    return true;
}

Pattern PatternOf(const Operation& op) {
    if (!Valid(op)) {
        return Pattern::None;
    }
    switch (op.kind) {
        case 0:
            return Pattern::A;
        case 4:
        case 5:
            return Pattern::B;
        case 6:
            return Pattern::E;
        case 7:
            return Pattern::D;
        default:
            return Pattern::C;
    }
}

std::size_t TableSize(int table) {
    static constexpr std::size_t kSizes[] = {8, 6, 8, 12, 8, 1, 1, 1};
    return kSizes[table];
}

Bytes ExpectedRequest(const Operation& op, std::uint8_t da, std::uint8_t sa, const DeviceImage& image) {
    switch (op.kind) {
        case 0:
            return Sd2Request(da, sa, 0x6C, {0x01, static_cast<std::uint8_t>(op.table)});
        case 1: {
            Bytes unit = {0x02, static_cast<std::uint8_t>(op.table)};
            const Bytes table = TableBytes(op.table, image);
            unit.insert(unit.end(), table.begin(), table.end());
            return Sd2Request(da, sa, 0x63, unit);
        }
        case 2:
            return Sd2Request(da, sa, 0x63, {0x02, 0x06, 0x55});
        case 3:
            return Sd2Request(da, sa, 0x63, {0x02, 0x07, 0x5A});
        case 4:
        case 6:
            return Sd2Request(da, sa, 0x6C, {0x00});
        case 5:
            return Sd2Request(da, sa, 0x6C, {0x04});
        default: {
            Bytes frame = {0x10, da, sa, 0x69, 0, 0x16};
            frame[4] = Sum({frame.data() + 1, 3});
            return frame;
        }
    }
}

bool Run(DeviceOperations& device, const Operation& op) {
    switch (op.kind) {
        case 0:
            return device.ReadTable(op.table);
        case 1:
            return device.WriteTable(op.table);
        case 2:
            return device.ClearCounter();
        case 3:
            return device.ClearSum();
        case 4:
            return device.ReadIdentification();
        case 5:
            return device.ReadVersion();
        case 6:
            return device.ReadForeignIdentification();
        default:
            return device.RequestStationStatus();
    }
}

// The longest an operation may take: its reads at their total time-outs and the pause before a re-send.
std::int64_t LongestMs(Pattern pattern, const Operation& op) {
    const auto read = [](std::int64_t n) { return 500 + 2 * n; };
    switch (pattern) {
        case Pattern::A:
            return read(static_cast<std::int64_t>(TableSize(op.table)) + 9);
        case Pattern::B:
            return 2 * read(255) + 100;
        case Pattern::C:
            return 2 * read(6);
        case Pattern::D:
            return read(6);
        case Pattern::E:
            return read(254);
        case Pattern::None:
            break;
    }
    return 0;
}

struct Link {
    Link() {
        auto owned = std::make_unique<RecordingBackend>(clock);
        backend = owned.get();
        line = std::make_unique<SerialLine>(settings, std::move(owned));
        telegrams = std::make_unique<TelegramLayer>(*line, clock);
        device = std::make_unique<DeviceOperations>(*telegrams, image, ui);
    }
    FakeClock clock;
    PortSettings settings{1, 9600, 1, 0};
    RecordingBackend* backend = nullptr;
    std::unique_ptr<SerialLine> line;
    std::unique_ptr<TelegramLayer> telegrams;
    DeviceImage image;
    CountingUi ui;
    std::unique_ptr<DeviceOperations> device;
};

void CheckStep(Link& link, const Operation& op, bool result, std::uint8_t da, std::uint8_t sa,
               const DeviceImage& before, std::size_t firstRead, std::size_t firstWrite,
               std::size_t firstEvent, int messagesBefore, std::int64_t startMs) {
    const RecordingBackend& b = *link.backend;
    const auto reads = std::span(b.reads).subspan(firstRead);
    const auto writes = std::span(b.writes).subspan(firstWrite);
    const auto events = std::span(b.events).subspan(firstEvent);
    const Pattern pattern = PatternOf(op);

    if (pattern == Pattern::None) {
        // A table number outside the range: one box, nothing on the line, nothing changed.
        ZT30_FUZZ_CHECK(!result && writes.empty() && reads.empty());
        ZT30_FUZZ_CHECK(link.ui.count == messagesBefore + 1);
        ZT30_FUZZ_CHECK(SameBits(link.image, before));
        return;
    }
    ZT30_FUZZ_CHECK(link.ui.count == messagesBefore);
    ZT30_FUZZ_CHECK(link.clock.NowMs() - startMs <= LongestMs(pattern, op));
    for (std::size_t i = firstRead; i < b.asked.size(); ++i) {
        ZT30_FUZZ_CHECK(b.asked[i] <= 255);
    }
    const Bytes request = ExpectedRequest(op, da, sa, before);
    ZT30_FUZZ_CHECK(!writes.empty());
    for (const auto& w : writes) {
        ZT30_FUZZ_CHECK(w.bytes == request);
    }
    if (!result) {
        ZT30_FUZZ_CHECK(SameBits(link.image, before));
    }
    const Bytes none;
    const Bytes& last = reads.empty() ? none : reads.back().bytes;
    const bool firstWriteOk = writes.front().ok;
    const auto purgedAtEnd = [&] {
        return events.size() >= 2 && events[events.size() - 2] == Event::PurgeTransmit &&
               events.back() == Event::PurgeReceive;
    };
    switch (pattern) {
        case Pattern::A: {
            ZT30_FUZZ_CHECK(writes.size() == 1);
            if (da == 127) {
                ZT30_FUZZ_CHECK(reads.empty());
                ZT30_FUZZ_CHECK(result == firstWriteOk);
                ZT30_FUZZ_CHECK(SameBits(link.image, before));
                break;
            }
            ZT30_FUZZ_CHECK(reads.size() == 1);
            const std::size_t expected = TableSize(op.table) + 9;
            // Away from the broadcast address the write's own result is not used: the answer decides. A
            // frame shorter than the table (its LE smaller) is refused even when the read filled the table's
            // length, or its check sum and end byte would be taken for data.
            const bool good =
                reads[0].ok && last.size() == expected && last[1] == expected - 6 && GoodDataAnswer(last);
            ZT30_FUZZ_CHECK(result == good);
            if (result) {
                ZT30_FUZZ_CHECK(SameBits(link.image, WithTable(before, op.table, last, 7)));
            } else {
                ZT30_FUZZ_CHECK(purgedAtEnd());
            }
            break;
        }
        case Pattern::B: {
            ZT30_FUZZ_CHECK(reads.size() == writes.size() && (reads.size() == 1 || reads.size() == 2));
            const Bytes& first = reads[0].bytes;
            const bool complete = first.size() >= 2 && first.size() == first[1] + 6u;
            ZT30_FUZZ_CHECK(reads.size() == (complete ? 1u : 2u));
            const bool good = GoodDataAnswer(last) && last[1] >= 3;
            ZT30_FUZZ_CHECK(result == good);
            if (result) {
                DeviceImage expected = before;
                const std::size_t count = last[1] - 3u;
                if (op.kind == 4) {
                    expected.identType = Block<250>(last, 7, count);
                } else {
                    expected.identVersion = Block<250>(last, 7, count);
                }
                ZT30_FUZZ_CHECK(SameBits(link.image, expected));
            }
            break;
        }
        case Pattern::C: {
            ZT30_FUZZ_CHECK(reads.size() == 1 || reads.size() == 2);
            std::size_t shortReads = 0;
            for (const auto& r : reads) {
                shortReads += r.bytes.size() < 6 ? 1 : 0;
            }
            ZT30_FUZZ_CHECK(writes.size() == 1 + shortReads);
            ZT30_FUZZ_CHECK(result == GoodAcknowledgement(last));
            ZT30_FUZZ_CHECK(SameBits(link.image, before));
            ZT30_FUZZ_CHECK(result || purgedAtEnd());
            break;
        }
        case Pattern::D:
            ZT30_FUZZ_CHECK(writes.size() == 1 && reads.size() == (firstWriteOk ? 1u : 0u));
            ZT30_FUZZ_CHECK(result == (firstWriteOk && GoodAcknowledgement(last)));
            ZT30_FUZZ_CHECK(SameBits(link.image, before));
            break;
        case Pattern::E: {
            ZT30_FUZZ_CHECK(writes.size() == 1 && reads.size() == 1);
            const bool good = reads[0].ok && last.size() >= 2 && last[1] >= 5 && last[1] <= 127 &&
                              last.size() >= last[1] + 4u;
            ZT30_FUZZ_CHECK(result == good);
            if (result) {
                DeviceImage expected = before;
                expected.identForeign = Block<255>(last, 8, last[1] - 4u);
                ZT30_FUZZ_CHECK(SameBits(link.image, expected));
            }
            break;
        }
        case Pattern::None:
            break;
    }
}

}  // namespace
}  // namespace zt30::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zt30::fuzz;
    FuzzInput in({data, size});
    Link link;
    const std::uint8_t sa = in.Byte();
    link.telegrams->SetSourceAddress(sa);
    link.line->Open(1);
    link.backend->fake.onWrite = [&](std::span<const std::uint8_t>) {
        const std::int64_t delay = std::int64_t{in.Byte()} * 5;
        const std::int64_t gap = in.Byte();
        const auto answer = in.Take(in.Byte());
        link.backend->fake.Arrive(answer, delay, gap);
    };
    for (int step = 0; step < kMaxSteps && !in.Empty(); ++step) {
        const Operation op = OperationOf(in.Byte());
        const std::uint8_t da = in.Byte();
        const std::uint8_t knobs = in.Byte();
        if ((knobs & 8) != 0) {
            link.line->Close();
            link.line->Open(1);
        }
        link.backend->fake.failWrite = (knobs & 1) != 0;
        link.backend->fake.failRead = (knobs & 2) != 0;
        if ((knobs & 4) != 0) {
            link.backend->fake.InjectLineError();
        }
        link.telegrams->SetDestinationAddress(da);
        const zt30::DeviceImage before = link.image;
        const std::size_t reads = link.backend->reads.size();
        const std::size_t writes = link.backend->writes.size();
        const std::size_t events = link.backend->events.size();
        const int messages = link.ui.count;
        const std::int64_t start = link.clock.NowMs();
        const bool result = Run(*link.device, op);
        CheckStep(link, op, result, da, sa, before, reads, writes, events, messages, start);
    }
    return 0;
}
