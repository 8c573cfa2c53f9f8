// What the telegram layer tells its observer: every transmission, read and purge of each pattern's paths
// over the in-memory line, with the outcome the layer gave each read, the bytes, the addresses and the
// response times; and that the observer changes nothing of the exchange.
#include <gtest/gtest.h>

#include <random>

#include "link/telegram.h"
#include "support/link_fixture.h"

namespace zt30::test {
namespace {

const Bytes kTable0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
const Bytes kAck = Hex("10 00 01 00 01 16");
const Bytes kNak = Hex("10 00 01 01 02 16");
const Bytes kForeign = Hex("68 07 07 68 00 09 0A 01 41 42 43 DA 16");

Bytes Join(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

Bytes Without(Bytes bytes, std::size_t last) {
    bytes.resize(bytes.size() - last);
    return bytes;
}

Bytes With(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes.at(at) = value;
    return bytes;
}

// Keeps every event with a copy of its bytes.
class EventLog final : public TelegramObserver {
public:
    struct Entry {
        TelegramEvent event;
        Bytes bytes;
    };
    void OnTelegram(const TelegramEvent& event) override {
        entries.push_back({event, Bytes(event.bytes.begin(), event.bytes.end())});
    }
    // "T sent", "R too short", "P purge", ...
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        for (const Entry& e : entries) {
            const char* direction = e.event.direction == TrafficDirection::Transmit  ? "T "
                                    : e.event.direction == TrafficDirection::Receive ? "R "
                                                                                     : "P ";
            lines.push_back(direction + std::string(TrafficOutcomeName(e.event.outcome)));
        }
        return lines;
    }
    std::vector<Entry> entries;
};

enum class Pattern { A, B, C, D, E };

bool RunPattern(LinkFixture& f, Pattern pattern) {
    TelegramLayer& link = *f.link;
    switch (pattern) {
        case Pattern::A: {
            const auto unit = link.BeginSd2Request(frame::kFcReadRequest, 5);
            unit[0] = 0x01;
            unit[1] = 0x00;
            link.FinishSd2Request();
            return link.ReceiveTableAnswer(8);
        }
        case Pattern::B:
            link.BeginSd2Request(frame::kFcReadRequest, 4)[0] = 0x00;
            link.FinishSd2Request();
            return link.ReceiveVariableAnswer();
        case Pattern::C: {
            const auto unit = link.BeginSd2Request(frame::kFcWriteRequest, 6);
            unit[0] = 0x02;
            unit[1] = 0x07;
            unit[2] = 0x5A;
            link.FinishSd2Request();
            return link.AwaitAcknowledgement();
        }
        case Pattern::D:
            return link.StationStatusExchange();
        case Pattern::E:
            link.BeginSd2Request(frame::kFcReadRequest, 4)[0] = 0x00;
            link.FinishSd2Request();
            return link.ReceiveUncheckedAnswer();
    }
    return false;
}

struct PathCase {
    const char* name;
    Pattern pattern;
    std::vector<Bytes> answers;  // per transmission
    bool result;
    std::vector<std::string> events;
    std::function<void(LinkFixture&)> setup = {};

    friend void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }
};

class RecordedPath : public testing::TestWithParam<PathCase> {};

TEST_P(RecordedPath, TellsEveryStepWithItsOutcome) {
    LinkFixture f;
    EventLog log;
    f.link->SetObserver(&log);
    f.answers = GetParam().answers;
    if (GetParam().setup) {
        GetParam().setup(f);
    }
    EXPECT_EQ(RunPattern(f, GetParam().pattern), GetParam().result);
    EXPECT_EQ(log.Lines(), GetParam().events);
    // Each transmission carries the request as written, each read what it delivered.
    std::size_t write = 0;
    for (const EventLog::Entry& e : log.entries) {
        if (e.event.direction == TrafficDirection::Transmit &&
            e.event.outcome != TrafficOutcome::WriteFailed) {
            ASSERT_LT(write, f.fake->writes.size());
            EXPECT_EQ(e.bytes, f.fake->writes[write++]);
        }
        if (e.event.direction == TrafficDirection::Purge) {
            EXPECT_TRUE(e.bytes.empty());
        }
    }
    EXPECT_EQ(write, f.fake->writes.size());
}

const std::vector<std::string> kAnswered = {"T sent", "R accepted"};

INSTANTIATE_TEST_SUITE_P(
    PatternA, RecordedPath,
    testing::Values(
        PathCase{"good", Pattern::A, {kTable0}, true, kAnswered},
        PathCase{"silent", Pattern::A, {}, false, {"T sent", "R no answer", "P purge"}},
        PathCase{"short", Pattern::A, {Without(kTable0, 1)}, false, {"T sent", "R too short", "P purge"}},
        PathCase{"wrong_start",
                 Pattern::A,
                 {With(kTable0, 0, 0x69)},
                 false,
                 {"T sent", "R wrong start byte", "P purge"}},
        PathCase{"le_not_ler",
                 Pattern::A,
                 {With(kTable0, 2, 0x0C)},
                 false,
                 {"T sent", "R wrong length", "P purge"}},
        PathCase{"wrong_fc",
                 Pattern::A,
                 {With(kTable0, 6, 0x09)},
                 false,
                 {"T sent", "R wrong function code", "P purge"}},
        PathCase{"wrong_end",
                 Pattern::A,
                 {With(kTable0, 16, 0x17)},
                 false,
                 {"T sent", "R wrong end byte", "P purge"}},
        PathCase{
            "wrong_fcs", Pattern::A, {With(kTable0, 15, 0x9D)}, false, {"T sent", "R wrong FCS", "P purge"}},
        PathCase{"refused", Pattern::A, {kNak}, false, {"T sent", "R negative acknowledgement", "P purge"}},
        // A whole frame of another table is still too short for table 0.
        PathCase{"another_table",
                 Pattern::A,
                 {Hex("68 09 09 68 00 01 08 03 02 01 21 10 27 67 16")},
                 false,
                 {"T sent", "R too short", "P purge"}},
        PathCase{"read_call_fails",
                 Pattern::A,
                 {kTable0},
                 false,
                 {"T sent", "R read failed", "P purge"},
                 [](LinkFixture& f) { f.fake->failRead = true; }},
        PathCase{"broadcast",
                 Pattern::A,
                 {kTable0},
                 true,
                 {"T sent"},
                 [](LinkFixture& f) { f.link->SetDestinationAddress(frame::kBroadcastAddress); }},
        PathCase{"broadcast_write_fails",
                 Pattern::A,
                 {},
                 false,
                 {"T write failed", "P purge"},
                 [](LinkFixture& f) {
                     f.link->SetDestinationAddress(frame::kBroadcastAddress);
                     f.fake->failWrite = true;
                 }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PatternB, RecordedPath,
    testing::Values(
        PathCase{"complete", Pattern::B, {kTable0}, true, kAnswered},
        PathCase{"short_then_good",
                 Pattern::B,
                 {Without(kTable0, 5), kTable0},
                 true,
                 {"T sent", "R too short", "T re-sent", "R accepted"}},
        PathCase{"longer_then_good",
                 Pattern::B,
                 {Join(kTable0, kAck), kTable0},
                 true,
                 {"T sent", "R wrong length", "T re-sent", "R accepted"}},
        // The second read's frame passes the checks, bytes after it do not matter there.
        PathCase{"short_then_good_with_more",
                 Pattern::B,
                 {Without(kTable0, 1), Join(kTable0, kAck)},
                 true,
                 {"T sent", "R too short", "T re-sent", "R accepted"}},
        PathCase{
            "silent_twice", Pattern::B, {}, false, {"T sent", "R no answer", "T re-sent", "R no answer"}},
        PathCase{"complete_but_wrong_fc",
                 Pattern::B,
                 {With(kTable0, 6, 0x09)},
                 false,
                 {"T sent", "R wrong function code"}},
        // To station 0 the refusal's DA byte reads as LE 0, and 6 bytes are LE + 6: no re-send.
        PathCase{"refused_to_station_0", Pattern::B, {kNak}, false, {"T sent", "R negative acknowledgement"}},
        PathCase{"refused_to_station_2",
                 Pattern::B,
                 {Hex("10 02 01 01 04 16"), kNak},
                 false,
                 {"T sent", "R negative acknowledgement", "T re-sent", "R negative acknowledgement"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PatternC, RecordedPath,
    testing::Values(PathCase{"good", Pattern::C, {kAck}, true, kAnswered},
                    PathCase{"damaged_then_good_in_one_go",
                             Pattern::C,
                             {Join(With(kAck, 4, 0x07), kAck)},
                             true,
                             {"T sent", "R wrong FCS", "R accepted"}},
                    PathCase{"short_then_good",
                             Pattern::C,
                             {Without(kAck, 1), kAck},
                             true,
                             {"T sent", "R too short", "T re-sent", "R accepted"}},
                    PathCase{"silent_twice",
                             Pattern::C,
                             {},
                             false,
                             {"T sent", "R no answer", "T re-sent", "R no answer", "T re-sent", "P purge"}},
                    PathCase{
                        "refused_twice",
                        Pattern::C,
                        {Join(kNak, kNak)},
                        false,
                        {"T sent", "R negative acknowledgement", "R negative acknowledgement", "P purge"}},
                    PathCase{"wrong_end_then_wrong_start",
                             Pattern::C,
                             {Join(With(kAck, 5, 0x17), With(kAck, 0, 0xE5))},
                             false,
                             {"T sent", "R wrong end byte", "R wrong start byte", "P purge"}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PatternD, RecordedPath,
    testing::Values(PathCase{"good", Pattern::D, {kAck}, true, kAnswered},
                    PathCase{"silent", Pattern::D, {}, false, {"T sent", "R no answer"}},
                    PathCase{"refused", Pattern::D, {kNak}, false, {"T sent", "R negative acknowledgement"}},
                    PathCase{
                        "single_character", Pattern::D, {Hex("E5")}, false, {"T sent", "R wrong start byte"}},
                    PathCase{"write_fails",
                             Pattern::D,
                             {},
                             false,
                             {"T write failed"},
                             [](LinkFixture& f) { f.fake->failWrite = true; }}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    PatternE, RecordedPath,
    testing::Values(
        PathCase{"good", Pattern::E, {kForeign}, true, kAnswered},
        PathCase{"silent", Pattern::E, {}, false, {"T sent", "R no answer"}},
        PathCase{"le_4", Pattern::E, {With(kForeign, 1, 4)}, false, {"T sent", "R wrong length"}},
        PathCase{"le_128", Pattern::E, {With(kForeign, 1, 128)}, false, {"T sent", "R wrong length"}},
        PathCase{"cut_in_its_data", Pattern::E, {Without(kForeign, 3)}, false, {"T sent", "R too short"}},
        PathCase{"read_call_fails",
                 Pattern::E,
                 {kForeign},
                 false,
                 {"T sent", "R read failed"},
                 [](LinkFixture& f) { f.fake->failRead = true; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RecordedEvent, CarriesAddressesPatternExchangeAndResponseTimes) {
    LinkFixture f;
    EventLog log;
    f.link->SetObserver(&log);
    f.link->SetDestinationAddress(1);
    f.link->SetSourceAddress(0);
    // The answer starts 3 ms after the request and takes 1 ms a byte.
    f.fake->onWrite = [&f](std::span<const std::uint8_t>) { f.fake->Arrive(kTable0, 3, 1); };
    ASSERT_TRUE(RunPattern(f, Pattern::A));
    ASSERT_TRUE(RunPattern(f, Pattern::A));
    ASSERT_EQ(log.entries.size(), 4u);
    const TelegramEvent& sent = log.entries[2].event;
    const TelegramEvent& read = log.entries[3].event;
    EXPECT_EQ(sent.pattern, TrafficPattern::TableAnswer);
    EXPECT_EQ(sent.exchange, 2u);
    EXPECT_EQ(read.exchange, 2u);
    EXPECT_EQ(read.destination, 1);
    EXPECT_EQ(read.source, 0);
    EXPECT_EQ(log.entries[3].bytes, kTable0);
    EXPECT_EQ(read.firstByteUs, 3000);
    EXPECT_EQ(read.lastByteUs, 3000 + 16 * 1000);
    EXPECT_EQ(read.monotonicUs - sent.monotonicUs, read.lastByteUs);
    EXPECT_EQ(sent.firstByteUs, -1);
    EXPECT_EQ(read.ageUs, 0);  // the read ended with its last requested byte
}

TEST(RecordedEvent, AReadThatWaitsOnAfterItsLastByteIsDatedByThatByte) {
    LinkFixture f;
    EventLog log;
    f.link->SetObserver(&log);
    f.answers = {kTable0};
    ASSERT_TRUE(RunPattern(f, Pattern::B));
    ASSERT_EQ(log.entries.size(), 2u);
    const TelegramEvent& read = log.entries[1].event;
    EXPECT_EQ(read.ageUs, 100'000);  // the interval time-out after the last byte
    EXPECT_EQ(read.monotonicUs - log.entries[0].event.monotonicUs, 2000);
    EXPECT_EQ(read.lastByteUs, 2000);
}

TEST(RecordedEvent, SilentReadHasNoResponseTimeAndEndsAtTheTimeOut) {
    LinkFixture f;
    EventLog log;
    f.link->SetObserver(&log);
    RunPattern(f, Pattern::D);
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[1].event.firstByteUs, -1);
    EXPECT_EQ(log.entries[1].event.lastByteUs, -1);
    EXPECT_EQ(log.entries[1].event.monotonicUs - log.entries[0].event.monotonicUs, (500 + 2 * 6) * 1000);
}

TEST(RecordedEvent, RequestSentOutsideThePatternsHasNone) {
    LinkFixture f;
    EventLog log;
    f.link->SetObserver(&log);
    f.link->BuildSd1Request(frame::kFcStatusRequest);
    f.link->SendRequest();
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_EQ(log.entries[0].event.pattern, TrafficPattern::None);
}

// The observer watches; the exchange itself, its result and every call on the line, stays the same.
TEST(Observer, ChangesNothingOfTheExchange) {
    const std::vector<Bytes> script = {Without(kAck, 1), Join(With(kAck, 4, 9), kAck), kTable0, {}, kNak};
    const auto run = [&script](bool observed) {
        LinkFixture f;
        EventLog log;
        if (observed) {
            f.link->SetObserver(&log);
        }
        f.answers = script;
        std::vector<bool> results;
        for (Pattern p : {Pattern::C, Pattern::A, Pattern::B, Pattern::D}) {
            results.push_back(RunPattern(f, p));
        }
        return std::make_tuple(results, f.CallsSinceOpen(), f.clock.NowMs(), log.entries.size());
    };
    const auto [plainResults, plainCalls, plainEnd, none] = run(false);
    const auto [results, calls, end, events] = run(true);
    EXPECT_EQ(results, plainResults);
    EXPECT_EQ(calls, plainCalls);
    EXPECT_EQ(end, plainEnd);
    EXPECT_EQ(none, 0u);
    EXPECT_GT(events, 0u);
}

// Over answers damaged at random, the last read is recorded as accepted exactly when the pattern succeeds,
// and only when the read call and the bytes allow it.
TEST(Observer, RecordsAcceptedExactlyWhenThePatternSucceeds) {
    const std::vector<Bytes> good = {kTable0, kAck, kNak, kForeign, Hex("68 04 04 68 00 01 08 41 4A 16")};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        LinkFixture f;
        EventLog log;
        f.link->SetObserver(&log);
        for (int i = 0; i < 3; ++i) {
            Bytes answer = good[random() % good.size()];
            switch (random() % 4) {
                case 0:
                    answer.resize(random() % (answer.size() + 1));
                    break;
                case 1:
                    answer[random() % answer.size()] = static_cast<std::uint8_t>(random());
                    break;
                case 2:
                    answer = Join(answer, good[random() % good.size()]);
                    break;
                default:
                    break;
            }
            f.answers.push_back(answer);
        }
        const auto pattern = static_cast<Pattern>(random() % 5);
        const bool result = RunPattern(f, pattern);
        TrafficOutcome last = TrafficOutcome::Sent;
        for (const EventLog::Entry& e : log.entries) {
            if (e.event.direction == TrafficDirection::Receive) {
                last = e.event.outcome;
                EXPECT_TRUE(e.event.outcome == TrafficOutcome::Accepted || IsFailedRead(e.event.outcome));
            }
        }
        ASSERT_EQ(last == TrafficOutcome::Accepted, result)
            << "round " << round << " pattern " << static_cast<int>(pattern) << " answer "
            << ToHex(f.answers[0]);
    }
}

}  // namespace
}  // namespace zt30::test
