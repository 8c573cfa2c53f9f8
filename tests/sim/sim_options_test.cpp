#include "sim/sim_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace zt30::sim {
namespace {

ParsedOptions Parse(std::vector<std::string_view> args) {
    return ParseSimOptions(args);
}

TEST(SimOptions, DefaultsWithoutArguments) {
    const auto parsed = Parse({});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const SimOptions& o = *parsed.options;
    EXPECT_EQ(o.responder.stations, std::vector<std::uint8_t>{1});
    EXPECT_FALSE(o.responder.foreign);
    EXPECT_FALSE(o.linkPath);
    EXPECT_FALSE(o.wireTime);
    EXPECT_EQ(o.baud, 9600u);
    EXPECT_EQ(o.responder.turnaround, std::chrono::milliseconds(1));
    EXPECT_DOUBLE_EQ(o.responder.pulseHz, 10.0);
    EXPECT_TRUE(o.responder.faults.empty());
}

TEST(SimOptions, EveryOptionInBothSpellings) {
    const auto parsed = Parse({"--link", "/tmp/zt", "--stations=1,5,10", "--foreign", "126", "--turnaround=0",
                               "--wire-time", "--baud", "256000", "--freq=2.5", "--seed", "99", "--fault",
                               "short@2", "--fault=nak:0.5", "-v"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    const SimOptions& o = *parsed.options;
    EXPECT_EQ(o.linkPath, "/tmp/zt");
    EXPECT_EQ(o.responder.stations, (std::vector<std::uint8_t>{1, 5, 10}));
    EXPECT_EQ(o.responder.foreign, 126);
    EXPECT_EQ(o.responder.turnaround, std::chrono::milliseconds(0));
    EXPECT_TRUE(o.wireTime);
    EXPECT_EQ(o.baud, 256000u);
    EXPECT_DOUBLE_EQ(o.responder.pulseHz, 2.5);
    EXPECT_EQ(o.responder.seed, 99u);
    ASSERT_EQ(o.responder.faults.size(), 2u);
    EXPECT_EQ(o.responder.faults[0].kind, FaultKind::Short);
    EXPECT_EQ(o.responder.faults[1].kind, FaultKind::Nak);
    EXPECT_TRUE(o.verbose);
}

struct Rejected {
    std::vector<std::string_view> args;
    const char* mentions;
};

class SimOptionsRejected : public ::testing::TestWithParam<Rejected> {};

TEST_P(SimOptionsRejected, WithALineNamingTheArgument) {
    const auto parsed = Parse(GetParam().args);
    EXPECT_FALSE(parsed.options);
    EXPECT_NE(parsed.error.find(GetParam().mentions), std::string::npos) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, SimOptionsRejected,
    ::testing::Values(
        Rejected{{"--bogus"}, "--bogus"}, Rejected{{"--stations"}, "needs a value"},
        Rejected{{"--stations", "1,127"}, "--stations"}, Rejected{{"--stations", "1,,2"}, "--stations"},
        Rejected{{"--stations", "3,3"}, "--stations"}, Rejected{{"--stations", ""}, "--stations"},
        Rejected{{"--stations", "-1"}, "--stations"}, Rejected{{"--foreign", "127"}, "--foreign"},
        Rejected{{"--stations", "1,7", "--foreign", "7"}, "foreign"},
        Rejected{{"--turnaround", "10001"}, "--turnaround"}, Rejected{{"--baud", "0"}, "--baud"},
        Rejected{{"--freq", "inf"}, "--freq"}, Rejected{{"--freq", "-1"}, "--freq"},
        Rejected{{"--seed", "x"}, "--seed"}, Rejected{{"--fault", "late@0"}, "--fault"},
        Rejected{{"--wire-time=1"}, "takes no value"}, Rejected{{"--link="}, "--link"}));

TEST(SimOptions, HelpNamesEveryOptionAndAnExampleWithTheTool) {
    const std::string help = SimHelpText();
    for (const char* word :
         {"--link", "--stations", "--foreign", "--turnaround", "--wire-time", "--baud", "--freq", "--seed",
          "--fault", "none", "short", "fcs", "ed", "nak", "late", "hangup", "-v", "zt30ctl"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
    EXPECT_TRUE(Parse({"--help"}).options->help);
}

}  // namespace
}  // namespace zt30::sim
