// The telegram layer: frame building and check sums, the two answer checks, and the five transaction patterns
// with every send, read, pause and purge they make, over the in-memory line and fake clock.
#include "link/telegram.h"

#include <gtest/gtest.h>

#include "support/link_fixture.h"

namespace zt30::test {
namespace {

const Bytes kAck = Hex("10 00 01 00 01 16");
const Bytes kTable0Answer = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");

TEST(FrameCheckSum, KeepsOnlyTheLowEightBitsOfTheArithmeticSum) {
    EXPECT_EQ(FrameCheckSum(Hex("01 00 63 02 07 5A")), 0xC7);  // 0x1C7
    EXPECT_EQ(FrameCheckSum(Hex("FF 01")), 0x00);
    EXPECT_EQ(FrameCheckSum(Hex("03 03")), 0x06);  // a sum, not an exclusive or
    EXPECT_EQ(FrameCheckSum({}), 0x00);
}

TEST(RequestBuilding, Sd1StatusRequestToAddressFive) {
    LinkFixture f;
    f.link->SetDestinationAddress(5);
    f.link->BuildSd1Request(frame::kFcStatusRequest);
    EXPECT_EQ(ToHex(f.link->Request()), "10 05 00 69 6E 16");
}

TEST(RequestBuilding, Sd2CarriesBothAddressesAndTheDataUnit) {
    LinkFixture f;
    f.link->SetDestinationAddress(0x22);
    f.link->SetSourceAddress(0x11);
    auto unit = f.link->BeginSd2Request(frame::kFcReadRequest, 5);
    ASSERT_EQ(unit.size(), 2u);
    unit[0] = 0x01;
    unit[1] = 0x03;
    f.link->FinishSd2Request();
    EXPECT_EQ(ToHex(f.link->Request()), "68 05 05 68 22 11 6C 01 03 A3 16");
    EXPECT_EQ(f.link->DestinationAddress(), 0x22);
}

// ---- CheckVariableFrame

struct FrameCase {
    const char* name;
    const char* bytes;
    bool accepted;

    friend void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }
};

class VariableFrameCheck : public testing::TestWithParam<FrameCase> {};

TEST_P(VariableFrameCheck, JudgesTheFrame) {
    EXPECT_EQ(CheckVariableFrame(Hex(GetParam().bytes)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VariableFrameCheck,
    testing::Values(
        FrameCase{"good", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16", true},
        FrameCase{"wrong_start", "69 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16", false},
        FrameCase{"le_differs_from_ler", "68 0B 0C 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16", false},
        FrameCase{"fc_not_data", "68 0B 0B 68 00 01 09 00 00 48 41 00 00 C8 42 9D 16", false},
        FrameCase{"wrong_end", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 17", false},
        FrameCase{"wrong_fcs", "68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9D 16", false},
        // neither the second start delimiter nor the addresses are examined
        FrameCase{"second_sd_ignored", "68 0B 0B 00 00 01 08 00 00 48 41 00 00 C8 42 9C 16", true},
        FrameCase{"addresses_ignored", "68 0B 0B 68 7F 7E 08 00 00 48 41 00 00 C8 42 98 16", true},
        FrameCase{"empty", "", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VariableFrameCheckBounds, EveryTruncationFailsEvenWhenTheBufferHoldsTheRest) {
    // The full good frame sits in memory; only the delivered prefix may be examined.
    for (std::size_t n = 0; n < kTable0Answer.size(); ++n) {
        EXPECT_FALSE(CheckVariableFrame(std::span(kTable0Answer).first(n))) << n << " bytes";
    }
    // An LE pointing past what arrived fails rather than reading beyond it.
    EXPECT_FALSE(CheckVariableFrame(Hex("68 FF FF 68 00 01 08 00")));
}

// ---- CheckAcknowledgement

class AcknowledgementCheck : public testing::TestWithParam<FrameCase> {};

TEST_P(AcknowledgementCheck, JudgesTheFrame) {
    EXPECT_EQ(CheckAcknowledgement(Hex(GetParam().bytes)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Cases, AcknowledgementCheck,
                         testing::Values(FrameCase{"good", "10 00 01 00 01 16", true},
                                         FrameCase{"wrong_start", "11 00 01 00 01 16", false},
                                         FrameCase{"negative_fc01_with_good_fcs", "10 00 01 01 02 16", false},
                                         FrameCase{"negative_fc02", "10 00 01 02 03 16", false},
                                         FrameCase{"wrong_end", "10 00 01 00 01 15", false},
                                         FrameCase{"wrong_fcs", "10 00 01 00 02 16", false},
                                         FrameCase{"addresses_summed", "10 05 07 00 0C 16", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AcknowledgementCheckBounds, EveryTruncationFails) {
    for (std::size_t n = 0; n < kAck.size(); ++n) {
        EXPECT_FALSE(CheckAcknowledgement(std::span(kAck).first(n))) << n << " bytes";
    }
}

// ---- Pattern A: known length

class PatternA : public testing::Test {
protected:
    bool Run() {
        auto unit = f.link->BeginSd2Request(frame::kFcReadRequest, 5);
        unit[0] = 0x01;
        unit[1] = 0x00;
        f.link->FinishSd2Request();
        return f.link->ReceiveTableAnswer(8);
    }
    LinkFixture f;
};

TEST_F(PatternA, ReadsExactlyTheTableAnswerOnce) {
    f.answers = {kTable0Answer};
    EXPECT_TRUE(Run());
    EXPECT_EQ(f.CallsSinceOpen(),
              (std::vector<std::string>{"purge rx", "purge tx", "write 11", "read 17 -> 17"}));
}

TEST_F(PatternA, ShortAnswerFailsAtOnceWithOneSendAndBothPurges) {
    f.answers = {Bytes(kTable0Answer.begin(), kTable0Answer.end() - 1)};
    const auto start = f.clock.NowMs();
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.WriteCount(), 1u);
    EXPECT_EQ(f.CallsSinceOpen(), (std::vector<std::string>{"purge rx", "purge tx", "write 11",
                                                            "read 17 -> 16", "purge tx", "purge rx"}));
    // the read ended 100 ms after the last byte, not at the total time-out
    EXPECT_EQ(f.clock.NowMs() - start, 2 + 100);
}

TEST_F(PatternA, NoAnswerEndsAtTheTotalTimeOut) {
    const auto start = f.clock.NowMs();
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.clock.NowMs() - start, 500 + 2 * 17);
}

TEST_F(PatternA, DamagedAnswerFails) {
    Bytes bad = kTable0Answer;
    bad[9] ^= 0x01;
    f.answers = {bad};
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.WriteCount(), 1u);
}

TEST_F(PatternA, BroadcastSendsAndReadsNothing) {
    f.link->SetDestinationAddress(frame::kBroadcastAddress);
    f.answers = {kTable0Answer};  // nobody should listen for it
    EXPECT_TRUE(Run());
    EXPECT_EQ(f.CallsSinceOpen(), (std::vector<std::string>{"purge rx", "purge tx", "write 11"}));
}

TEST_F(PatternA, BroadcastResultIsThatOfTheWrite) {
    f.link->SetDestinationAddress(frame::kBroadcastAddress);
    f.fake->failWrite = true;
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.CallsSinceOpen(),
              (std::vector<std::string>{"purge rx", "purge tx", "write 11", "purge tx", "purge rx"}));
}

// ---- Pattern B: unknown length

class PatternB : public testing::Test {
protected:
    bool Run() {
        f.link->BeginSd2Request(frame::kFcReadRequest, 4)[0] = 0x00;
        f.link->FinishSd2Request();
        return f.link->ReceiveVariableAnswer();
    }
    LinkFixture f;
};

TEST_F(PatternB, CompleteAnswerNeedsNoResend) {
    f.answers = {kTable0Answer};
    EXPECT_TRUE(Run());
    EXPECT_EQ(f.WriteCount(), 1u);
    EXPECT_TRUE(f.clock.Sleeps().empty());
    EXPECT_EQ(f.CallsSinceOpen().back(), "read 255 -> 17");
}

TEST_F(PatternB, CountOtherThanLePlusSixResendsOnceAfter100Ms) {
    f.answers = {Bytes(kTable0Answer.begin(), kTable0Answer.begin() + 12), kTable0Answer};
    EXPECT_TRUE(Run());
    EXPECT_EQ(f.WriteCount(), 2u);
    EXPECT_EQ(f.clock.Sleeps(), std::vector<int>{100});
    EXPECT_EQ(f.fake->writes[0], f.fake->writes[1]);
}

TEST_F(PatternB, LongerThanAnnouncedAlsoResends) {
    Bytes twice = kTable0Answer;
    twice.insert(twice.end(), kTable0Answer.begin(), kTable0Answer.end());
    f.answers = {twice, kTable0Answer};
    EXPECT_TRUE(Run());
    EXPECT_EQ(f.WriteCount(), 2u);
}

TEST_F(PatternB, ResultIsTheCheckOfTheSecondReadAndNothingIsPurged) {
    f.answers = {{}, Bytes(kTable0Answer.begin(), kTable0Answer.begin() + 5)};
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.WriteCount(), 2u);
    const auto calls = f.CallsSinceOpen();
    EXPECT_EQ(calls.back(), "read 255 -> 5");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "purge tx"), 2);  // only the two writes' own purges
}

TEST_F(PatternB, DamagedCompleteAnswerFailsWithoutResend) {
    Bytes bad = kTable0Answer;
    bad[6] = 0x09;
    f.answers = {bad};
    EXPECT_FALSE(Run());
    EXPECT_EQ(f.WriteCount(), 1u);
}

// ---- Pattern C: acknowledgement

struct AckCase {
    const char* name;
    std::vector<Bytes> answers;  // per transmission
    std::size_t transmissions;
    bool result;

    friend void PrintTo(const AckCase& c, std::ostream* os) { *os << c.name; }
};

class PatternC : public testing::TestWithParam<AckCase> {};

TEST_P(PatternC, SendsReadsAndPurgesAsTheProtocolSays) {
    LinkFixture f;
    f.answers = GetParam().answers;
    f.link->BeginSd2Request(frame::kFcWriteRequest, 6)[0] = 0x02;
    f.link->FinishSd2Request();
    EXPECT_EQ(f.link->AwaitAcknowledgement(), GetParam().result);
    EXPECT_EQ(f.WriteCount(), GetParam().transmissions);
    const auto calls = f.CallsSinceOpen();
    const bool purgedAtEnd =
        calls.size() >= 2 && calls[calls.size() - 2] == "purge tx" && calls.back() == "purge rx";
    EXPECT_EQ(purgedAtEnd, !GetParam().result);
}

const Bytes kShort = Hex("10 00 01 00 01");
const Bytes kDamaged = Hex("10 00 01 00 07 16");
const Bytes kNak = Hex("10 00 01 01 02 16");

Bytes Join(const Bytes& a, const Bytes& b) {
    Bytes out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Attempts, PatternC,
    testing::Values(AckCase{"good_at_once", {kAck}, 1, true},
                    AckCase{"damaged_then_good_without_resend", {Join(kDamaged, kAck)}, 1, true},
                    AckCase{"short_then_good_after_resend", {kShort, kAck}, 2, true},
                    AckCase{"none_then_good_after_resend", {{}, kAck}, 2, true},
                    AckCase{"both_short_three_transmissions", {kShort, kShort, kAck}, 3, false},
                    AckCase{"no_answer_three_transmissions", {}, 3, false},
                    AckCase{"two_damaged_one_transmission", {Join(kDamaged, kDamaged)}, 1, false},
                    AckCase{"damaged_then_nothing_resends_after_last", {kDamaged}, 2, false},
                    AckCase{"negative_acknowledgements", {Join(kNak, kNak)}, 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PatternCTiming, TwoEmptyReadsTakeTwoTotalTimeOuts) {
    LinkFixture f;
    f.link->BeginSd2Request(frame::kFcWriteRequest, 6)[0] = 0x02;
    f.link->FinishSd2Request();
    const auto start = f.clock.NowMs();
    EXPECT_FALSE(f.link->AwaitAcknowledgement());
    EXPECT_EQ(f.clock.NowMs() - start, 2 * 512);
}

// ---- Pattern D: station status

TEST(PatternD, GoodAcknowledgementFromTheStation) {
    LinkFixture f;
    f.link->SetDestinationAddress(5);
    f.answers = {Hex("10 00 05 00 05 16")};
    EXPECT_TRUE(f.link->StationStatusExchange());
    EXPECT_EQ(ToHex(f.fake->writes.at(0)), "10 05 00 69 6E 16");
    EXPECT_EQ(f.CallsSinceOpen().back(), "read 6 -> 6");
}

TEST(PatternD, NoAnswerFailsAfterTheReadTimeOutWithoutRetryOrPurge) {
    LinkFixture f;
    const auto start = f.clock.NowMs();
    EXPECT_FALSE(f.link->StationStatusExchange());
    EXPECT_EQ(f.clock.NowMs() - start, 512);
    EXPECT_EQ(f.CallsSinceOpen(),
              (std::vector<std::string>{"purge rx", "purge tx", "write 6", "read 6 -> 0"}));
}

TEST(PatternD, FailedWriteReadsNothing) {
    LinkFixture f;
    f.fake->failWrite = true;
    EXPECT_FALSE(f.link->StationStatusExchange());
    EXPECT_EQ(f.CallsSinceOpen().back(), "write 6");
}

TEST(PatternD, NegativeAcknowledgementFails) {
    LinkFixture f;
    f.answers = {kNak};
    EXPECT_FALSE(f.link->StationStatusExchange());
}

// ---- Pattern E: unchecked

Bytes ForeignAnswer(std::uint8_t le, std::size_t delivered) {
    Bytes out = {0x68, le, le, 0x68, 0x00, 0x01, 0x08};
    for (std::size_t i = 7; i < delivered; ++i) {
        out.push_back(static_cast<std::uint8_t>('A' + i % 26));
    }
    out.resize(delivered);
    return out;
}

struct UncheckedCase {
    const char* name;
    std::uint8_t le;
    std::size_t delivered;
    bool accepted;

    friend void PrintTo(const UncheckedCase& c, std::ostream* os) { *os << c.name; }
};

class PatternE : public testing::TestWithParam<UncheckedCase> {};

TEST_P(PatternE, AcceptsByLengthByteAndDeliveredDataUnit) {
    LinkFixture f;
    f.answers = {ForeignAnswer(GetParam().le, GetParam().delivered)};
    f.link->BeginSd2Request(frame::kFcReadRequest, 4)[0] = 0x00;
    f.link->FinishSd2Request();
    EXPECT_EQ(f.link->ReceiveUncheckedAnswer(), GetParam().accepted);
    EXPECT_EQ(f.WriteCount(), 1u);
    EXPECT_EQ(f.CallsSinceOpen().back().rfind("read 254", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, PatternE,
    testing::Values(UncheckedCase{"le4", 4, 10, false}, UncheckedCase{"le5", 5, 11, true},
                    UncheckedCase{"le127", 127, 133, true}, UncheckedCase{"le128", 128, 134, false},
                    UncheckedCase{"le127_data_unit_only", 127, 131, true},
                    UncheckedCase{"shorter_than_announced", 100, 60, false},
                    UncheckedCase{"one_byte", 5, 1, false}, UncheckedCase{"nothing", 5, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PatternEFailure, FailedReadCallIsRefused) {
    LinkFixture f;
    f.answers = {ForeignAnswer(20, 26)};
    f.fake->failRead = true;
    f.link->BeginSd2Request(frame::kFcReadRequest, 4)[0] = 0x00;
    f.link->FinishSd2Request();
    EXPECT_FALSE(f.link->ReceiveUncheckedAnswer());
}

}  // namespace
}  // namespace zt30::test
