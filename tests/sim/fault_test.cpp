#include <gtest/gtest.h>

#include "sim/fault_plan.h"
#include "sim/request_parser.h"
#include "sim/responder.h"
#include "sim_test_bytes.h"

namespace zt30::sim {
namespace {

using namespace std::chrono_literals;
using test::Hex;
using test::ToHex;

struct SpecCase {
    const char* text;
    bool valid;
    FaultKind kind;
    std::uint64_t onlyRequest;
    double rate;
};

class FaultSpecParsing : public ::testing::TestWithParam<SpecCase> {};

TEST_P(FaultSpecParsing, AcceptsOnlyTheThreeForms) {
    const SpecCase& c = GetParam();
    const auto spec = ParseFaultSpec(c.text);
    ASSERT_EQ(spec.has_value(), c.valid) << c.text;
    if (spec) {
        EXPECT_EQ(spec->kind, c.kind);
        EXPECT_EQ(spec->onlyRequest, c.onlyRequest);
        EXPECT_DOUBLE_EQ(spec->rate, c.rate);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, FaultSpecParsing,
                         ::testing::Values(SpecCase{"none", true, FaultKind::NoAnswer, 0, 1.0},
                                           SpecCase{"short@3", true, FaultKind::Short, 3, 1.0},
                                           SpecCase{"fcs:0.25", true, FaultKind::BadFcs, 0, 0.25},
                                           SpecCase{"ed:1", true, FaultKind::BadEnd, 0, 1.0},
                                           SpecCase{"nak:0", true, FaultKind::Nak, 0, 0.0},
                                           SpecCase{"late@1", true, FaultKind::Late, 1, 1.0},
                                           SpecCase{"hangup@18446744073709551615", true, FaultKind::Hangup,
                                                    18446744073709551615ULL, 1.0},
                                           SpecCase{"late@0", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"late@", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"late@-1", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"late@2x", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"fcs:1.5", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"fcs:-0.1", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"fcs:nan", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"fcs:", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"crc@1", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"SHORT@1", false, FaultKind::NoAnswer, 0, 0.0},
                                           SpecCase{"short@1:0.5", false, FaultKind::NoAnswer, 0, 0.0}));

// Which requests of a long run a plan spoils.
std::vector<std::uint64_t> Fired(std::vector<FaultSpec> specs, std::uint64_t seed, int requests) {
    FaultPlan plan(std::move(specs), seed);
    std::vector<std::uint64_t> fired;
    for (int i = 0; i < requests; ++i) {
        if (plan.Next()) {
            fired.push_back(plan.Count());
        }
    }
    return fired;
}

TEST(FaultPlan, NthRequestOnly) {
    EXPECT_EQ(Fired({*ParseFaultSpec("short@4")}, 1, 10), std::vector<std::uint64_t>{4});
}

TEST(FaultPlan, SeededRateRepeatsAndSeedMatters) {
    const std::vector<FaultSpec> specs = {*ParseFaultSpec("fcs:0.3")};
    const auto first = Fired(specs, 42, 1000);
    EXPECT_EQ(Fired(specs, 42, 1000), first);
    EXPECT_NE(Fired(specs, 43, 1000), first);
    EXPECT_GT(first.size(), 200u);  // 300 expected; the seeded sequence is fixed, so this cannot flake
    EXPECT_LT(first.size(), 400u);
    EXPECT_TRUE(Fired({*ParseFaultSpec("fcs:0")}, 42, 1000).empty());
    EXPECT_EQ(Fired({*ParseFaultSpec("fcs:1")}, 42, 1000).size(), 1000u);
}

TEST(FaultPlan, AnNthFaultDoesNotShiftTheRandomSequence) {
    const auto alone = Fired({*ParseFaultSpec("nak:0.5")}, 7, 200);
    FaultPlan plan({*ParseFaultSpec("late@3"), *ParseFaultSpec("nak:0.5")}, 7);
    std::vector<std::uint64_t> fired;
    for (int i = 0; i < 200; ++i) {
        const auto kind = plan.Next();
        if (plan.Count() == 3) {
            EXPECT_EQ(kind, FaultKind::Late);  // the first spec wins
        }
        if (kind && plan.Count() != 3) {
            fired.push_back(plan.Count());
        }
    }
    auto expected = alone;
    std::erase(expected, 3u);
    EXPECT_EQ(fired, expected);
}

// The responder with one fault on the 2nd request: the 1st and 3rd answers must be untouched.
struct KindCase {
    const char* name;
    const char* request;
    const char* good;
};

class FaultOnSecondRequest : public ::testing::TestWithParam<std::tuple<FaultKind, KindCase>> {};

TEST_P(FaultOnSecondRequest, SpoilsThatAnswerOnly) {
    const auto [kind, c] = GetParam();
    ResponderConfig config;
    config.faults = {FaultSpec{kind, 2, 1.0}};
    config.turnaround = 3ms;
    Responder responder(config, [] { return std::chrono::nanoseconds(0); });
    RequestParser parser;
    const Request request = parser.Feed(Hex(c.request)).at(0);
    const auto good = Hex(c.good);

    const auto first = responder.Handle(request);
    ASSERT_TRUE(first);
    EXPECT_EQ(first->bytes, good);
    EXPECT_EQ(first->delay, 3ms);
    EXPECT_FALSE(first->fault);

    const auto second = responder.Handle(request);
    if (kind == FaultKind::NoAnswer) {
        EXPECT_FALSE(second);
    } else {
        ASSERT_TRUE(second);
        EXPECT_EQ(second->fault, kind);
        const auto& b = second->bytes;
        switch (kind) {
            case FaultKind::Short:
                EXPECT_EQ(b, std::vector<std::uint8_t>(good.begin(), good.end() - 1));
                break;
            case FaultKind::BadFcs:
                ASSERT_EQ(b.size(), good.size());
                EXPECT_NE(b[b.size() - 2], good[good.size() - 2]);
                EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.end() - 2),
                          std::vector<std::uint8_t>(good.begin(), good.end() - 2));
                EXPECT_EQ(b.back(), 0x16);
                break;
            case FaultKind::BadEnd:
                ASSERT_EQ(b.size(), good.size());
                EXPECT_NE(b.back(), 0x16);
                EXPECT_EQ(std::vector<std::uint8_t>(b.begin(), b.end() - 1),
                          std::vector<std::uint8_t>(good.begin(), good.end() - 1));
                break;
            case FaultKind::Nak:
                EXPECT_EQ(ToHex(b), "10 00 01 01 02 16");
                break;
            case FaultKind::Late:
                EXPECT_EQ(b, good);
                EXPECT_EQ(second->delay, 700ms);
                break;
            case FaultKind::Hangup:
                EXPECT_EQ(b, std::vector<std::uint8_t>(good.begin(), good.begin() + good.size() / 2));
                EXPECT_TRUE(second->hangup);
                break;
            case FaultKind::NoAnswer:
                break;
        }
    }

    const auto third = responder.Handle(request);
    ASSERT_TRUE(third);
    EXPECT_EQ(third->bytes, good);
    EXPECT_FALSE(third->hangup);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, FaultOnSecondRequest,
    ::testing::Combine(::testing::Values(FaultKind::NoAnswer, FaultKind::Short, FaultKind::BadFcs,
                                         FaultKind::BadEnd, FaultKind::Nak, FaultKind::Late,
                                         FaultKind::Hangup),
                       ::testing::Values(KindCase{"Data", "68 05 05 68 01 00 6C 01 05 73 16",
                                                  "68 04 04 68 00 01 08 01 0A 16"},
                                         KindCase{"Ack", "10 01 00 69 6A 16", "10 00 01 00 01 16"})),
    [](const auto& info) {
        return std::string(FaultName(std::get<0>(info.param))) + std::get<1>(info.param).name;
    });

struct ActCase {
    const char* fault;
    bool cleared;
};

class FaultAndAction : public ::testing::TestWithParam<ActCase> {};

TEST_P(FaultAndAction, UnheardAndRefusedRequestsAreNotCarriedOut) {
    std::chrono::nanoseconds now = 0s;
    ResponderConfig config;
    config.faults = {*ParseFaultSpec(GetParam().fault)};
    Responder responder(config, [&now] { return now; });
    now += 1s;
    RequestParser parser;
    responder.Handle(parser.Feed(Hex("68 06 06 68 01 00 63 02 06 55 C1 16")).at(0));
    EXPECT_EQ(responder.StationAt(1)->Counter() == 0, GetParam().cleared);
}

INSTANTIATE_TEST_SUITE_P(Faults, FaultAndAction,
                         ::testing::Values(ActCase{"none@1", false}, ActCase{"nak@1", false},
                                           ActCase{"fcs@1", true}, ActCase{"short@1", true},
                                           ActCase{"late@1", true}, ActCase{"hangup@1", true}));

TEST(FaultCounting, OnlyRequestsToAStationCount) {
    ResponderConfig config;
    config.stations = {1};
    config.foreign = 9;
    config.faults = {*ParseFaultSpec("nak@3")};
    Responder responder(config, [] { return std::chrono::nanoseconds(0); });
    RequestParser parser;
    auto handle = [&](const char* hex) { return responder.Handle(parser.Feed(Hex(hex)).at(0)); };
    handle("10 01 00 69 6A 16");  // 1
    handle("10 02 00 69 6B 16");  // nobody there: not counted
    handle("10 7F 00 69 E8 16");  // broadcast: not counted
    handle("10 09 00 69 72 16");  // the foreign device: 2
    const auto third = handle("10 01 00 69 6A 16");
    ASSERT_TRUE(third);
    EXPECT_EQ(third->fault, FaultKind::Nak);
    EXPECT_EQ(responder.RequestsCounted(), 3u);
}

}  // namespace
}  // namespace zt30::sim
