#include "sim/responder.h"

#include <gtest/gtest.h>

#include <numeric>

#include "sim/request_parser.h"
#include "sim_test_bytes.h"

namespace zt30::sim {
namespace {

using namespace std::chrono_literals;
using test::Hex;
using test::ToHex;

// Runs hand-written request bytes through the parser and the responder, as the line does.
class ResponderTest : public ::testing::Test {
protected:
    void Start(ResponderConfig config) {
        responder_.emplace(config, [this] { return now_; });
    }

    std::optional<Reply> Send(const char* hex) {
        RequestParser parser;
        const auto requests = parser.Feed(Hex(hex));
        EXPECT_EQ(requests.size(), 1u) << hex;
        if (requests.size() != 1) {
            return std::nullopt;
        }
        return responder_->Handle(requests[0]);
    }

    // The answer's bytes as text, or "silence".
    std::string Answer(const char* hex) {
        const auto reply = Send(hex);
        return reply ? ToHex(reply->bytes) : "silence";
    }

    std::chrono::nanoseconds now_{1s};
    std::optional<Responder> responder_;
};

struct ExchangeCase {
    const char* name;
    const char* request;
    const char* answer;
};

class ResponderExchanges : public ResponderTest, public ::testing::WithParamInterface<ExchangeCase> {};

TEST_P(ResponderExchanges, AnswersWithTheExactBytes) {
    Start({});
    const std::string expected = GetParam().answer;
    EXPECT_EQ(Answer(GetParam().request), expected == "silence" ? expected : ToHex(Hex(expected)));
}

constexpr const char* kAck = "10 00 01 00 01 16";
constexpr const char* kNak = "10 00 01 01 02 16";

INSTANTIATE_TEST_SUITE_P(
    ProgramRequests, ResponderExchanges,
    ::testing::Values(
        ExchangeCase{"StationStatus", "10 01 00 69 6A 16", kAck},
        ExchangeCase{"ReadTable3Defaults", "68 05 05 68 01 00 6C 01 03 71 16",
                     "68 0F 0F 68 00 01 08 00 00 00 00 00 00 7A 44 00 00 00 00 C7 16"},
        ExchangeCase{"ReadTable5", "68 05 05 68 01 00 6C 01 05 73 16", "68 04 04 68 00 01 08 01 0A 16"},
        ExchangeCase{"AnswerGoesToTheRequestersAddress", "68 05 05 68 01 03 6C 01 05 76 16",
                     "68 04 04 68 03 01 08 01 0D 16"},
        ExchangeCase{"WriteTable1", "68 0B 0B 68 01 00 63 02 01 03 02 01 21 10 27 C5 16", kAck},
        ExchangeCase{"WriteTable2", "68 0D 0D 68 01 00 63 02 02 00 00 80 3F 00 00 00 00 27 16", kAck},
        ExchangeCase{"WriteTable5", "68 06 06 68 01 00 63 02 05 07 72 16", kAck},
        ExchangeCase{"ClearCounter", "68 06 06 68 01 00 63 02 06 55 C1 16", kAck},
        ExchangeCase{"ClearSum", "68 06 06 68 01 00 63 02 07 5A C7 16", kAck},
        ExchangeCase{"Identification", "68 04 04 68 01 00 6C 00 6D 16",
                     "68 0C 0C 68 00 01 08 5A 41 4E 54 4F 52 20 33 30 6A 16"},  // "ZANTOR 30"
        ExchangeCase{"Version", "68 04 04 68 01 00 6C 04 71 16",
                     "68 13 13 68 00 01 08 31 2E 30 30 20 28 73 69 6D 75 6C 61 74 6F 72 29 19 16"},
        ExchangeCase{"ReadTable6Refused", "68 05 05 68 01 00 6C 01 06 74 16", kNak},
        ExchangeCase{"ReadTable9Refused", "68 05 05 68 01 00 6C 01 09 77 16", kNak},
        ExchangeCase{"WriteTable0Refused", "68 0D 0D 68 01 00 63 02 00 00 00 00 00 00 00 00 00 66 16", kNak},
        ExchangeCase{"ClearCounterWithSumByteRefused", "68 06 06 68 01 00 63 02 06 5A C6 16", kNak},
        ExchangeCase{"UnknownCommandRefused", "68 04 04 68 01 00 6C 03 70 16", kNak},
        ExchangeCase{"ReadWithWriteFcRefused", "68 05 05 68 01 00 63 01 00 65 16", kNak},
        ExchangeCase{"Sd1OtherFcRefused", "10 01 00 49 4A 16", kNak},
        ExchangeCase{"OtherStationSilent", "68 05 05 68 02 00 6C 01 00 6F 16", "silence"},
        ExchangeCase{"BroadcastReadSilent", "68 05 05 68 7F 00 6C 01 00 EC 16", "silence"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResponderTest, ReadTable0AnswersValueAndSum) {
    ResponderConfig config;
    config.pulseHz = 12.5;
    Start(config);
    Parameters rate;
    rate.func = static_cast<std::uint8_t>(Function::Rate);
    responder_->StationAt(1)->SetParams(rate);
    now_ += 8s;  // 100 pulses of 1 unit
    EXPECT_EQ(Answer("68 05 05 68 01 00 6C 01 00 6E 16"),
              "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");
}

TEST_F(ResponderTest, WritesChangeWhatIsReadBack) {
    Start({});
    ASSERT_EQ(Answer("68 0B 0B 68 01 00 63 02 01 03 02 01 21 10 27 C5 16"), kAck);
    EXPECT_EQ(Answer("68 05 05 68 01 00 6C 01 01 6F 16"), "68 09 09 68 00 01 08 03 02 01 21 10 27 67 16");
    // A refused write changes nothing: FUNC 7 is not in the list.
    ASSERT_EQ(Answer("68 0B 0B 68 01 00 63 02 01 07 00 00 00 00 00 6E 16"), kNak);
    EXPECT_EQ(responder_->StationAt(1)->Params().func, 3);
}

TEST_F(ResponderTest, ClearCommandsActOnTheModel) {
    Start({});
    now_ += 2s;
    ASSERT_EQ(Answer("68 06 06 68 01 00 63 02 06 55 C1 16"), kAck);
    EXPECT_EQ(responder_->StationAt(1)->Counter(), 0u);
    EXPECT_FLOAT_EQ(responder_->StationAt(1)->Sum(), 20.0F);
    ASSERT_EQ(Answer("68 06 06 68 01 00 63 02 07 5A C7 16"), kAck);
    EXPECT_FLOAT_EQ(responder_->StationAt(1)->Sum(), 0.0F);
}

TEST_F(ResponderTest, AddressChangeIsAcknowledgedFromTheOldAddressThenTakesEffect) {
    Start({});
    EXPECT_EQ(Answer("68 06 06 68 01 00 63 02 05 07 72 16"), "10 00 01 00 01 16");
    EXPECT_EQ(Answer("10 01 00 69 6A 16"), "silence");
    EXPECT_EQ(Answer("10 07 00 69 70 16"), "10 00 07 00 07 16");
    EXPECT_EQ(Answer("68 05 05 68 07 00 6C 01 05 79 16"), "68 04 04 68 00 07 08 07 16 16");
}

TEST_F(ResponderTest, AddressOfAnotherStationOrTheForeignDeviceIsRefused) {
    ResponderConfig config;
    config.stations = {1, 5};
    config.foreign = 9;
    Start(config);
    EXPECT_EQ(Answer("68 06 06 68 01 00 63 02 05 05 70 16"), kNak);
    EXPECT_EQ(Answer("68 06 06 68 01 00 63 02 05 09 74 16"), kNak);
    EXPECT_EQ(responder_->StationAt(1)->Address(), 1);
    EXPECT_EQ(Answer("68 06 06 68 01 00 63 02 05 01 6C 16"), kAck);  // its own address again
}

TEST_F(ResponderTest, SeveralStationsAnswerEachForItself) {
    ResponderConfig config;
    config.stations = {1, 5, 10};
    Start(config);
    EXPECT_EQ(Answer("10 01 00 69 6A 16"), "10 00 01 00 01 16");
    EXPECT_EQ(Answer("10 05 00 69 6E 16"), "10 00 05 00 05 16");
    EXPECT_EQ(Answer("10 0A 00 69 73 16"), "10 00 0A 00 0A 16");
    EXPECT_EQ(Answer("10 02 00 69 6B 16"), "silence");
    now_ += 1s;
    EXPECT_EQ(Answer("68 06 06 68 05 00 63 02 06 55 C5 16"), "10 00 05 00 05 16");
    EXPECT_EQ(responder_->StationAt(5)->Counter(), 0u);
    EXPECT_EQ(responder_->StationAt(1)->Counter(), 10u);
    EXPECT_EQ(responder_->StationAt(10)->Counter(), 10u);
}

TEST_F(ResponderTest, BroadcastActsOnEveryStationButIsNeverAnsweredNorCounted) {
    ResponderConfig config;
    config.stations = {1, 5};
    Start(config);
    now_ += 1s;
    EXPECT_EQ(Answer("68 06 06 68 7F 00 63 02 06 55 3F 16"), "silence");
    EXPECT_EQ(responder_->StationAt(1)->Counter(), 0u);
    EXPECT_EQ(responder_->StationAt(5)->Counter(), 0u);
    // One address for all would put every station on it: refused silently.
    EXPECT_EQ(Answer("68 06 06 68 7F 00 63 02 05 07 F0 16"), "silence");
    EXPECT_NE(responder_->StationAt(1), nullptr);
    EXPECT_NE(responder_->StationAt(5), nullptr);
    EXPECT_EQ(Answer("10 7F 00 69 E8 16"), "silence");
    EXPECT_EQ(responder_->RequestsCounted(), 0u);
}

TEST_F(ResponderTest, ForeignDeviceAnswersIdentificationInItsOwnFormatOnly) {
    ResponderConfig config;
    config.foreign = 7;
    Start(config);
    const auto reply = Send("68 04 04 68 07 00 6C 00 73 16");
    ASSERT_TRUE(reply);
    const auto& b = reply->bytes;
    ASSERT_EQ(b.size(), 106u);  // LE 100: FC, addresses, one byte and three 32-byte fields
    EXPECT_EQ(ToHex({b.begin(), b.begin() + 8}), "68 64 64 68 00 07 0A 01");
    const unsigned sum = std::accumulate(b.begin() + 4, b.end() - 2, 0u);
    EXPECT_EQ(b[104], sum % 256);
    EXPECT_EQ(b[105], 0x16);
    auto field = [&b](std::size_t i) { return std::string(reinterpret_cast<const char*>(&b[8 + 32 * i])); };
    EXPECT_EQ(field(0), kForeignMaker);
    EXPECT_EQ(field(1), kForeignModel);
    EXPECT_EQ(field(2), kForeignVersion);

    EXPECT_EQ(Answer("68 04 04 68 07 00 6C 04 77 16"), "silence");
    EXPECT_EQ(Answer("68 05 05 68 07 00 6C 01 00 74 16"), "silence");
    EXPECT_EQ(Answer("10 07 00 69 70 16"), "10 00 07 00 07 16");
}

}  // namespace
}  // namespace zt30::sim
