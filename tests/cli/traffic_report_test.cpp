// zt30ctl's traffic report over the in-memory line: the trace lines of a command's exchanges, the summary of
// the statistics, and the watch that ends with it.
#include "cli/traffic_report.h"

#include <gtest/gtest.h>

#include <sstream>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "support/link_fixture.h"

namespace zt30::cli {
namespace {

using test::Bytes;
using test::Hex;

const Bytes kTable0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");

class TrafficReportTest : public ::testing::Test {
protected:
    TrafficReportTest() { fixture.link->SetObserver(&report); }

    test::LinkFixture fixture;
    std::ostringstream trace;
    std::ostringstream out;
    std::ostringstream err;
    // The wall clock goes with the line's fake clock from 10:00:01; local time is its seconds and
    // milliseconds past 10:00.
    TrafficReport report{
        &trace, RegionalSettings{',', "dd.MM.yy", "H:mm:ss"},
        [](std::int64_t us) {
            return LocalDateTime{
                2024, 1, 2, 2, 10, 0, static_cast<int>(us / 1'000'000), static_cast<int>(us / 1000 % 1000)};
        },
        [this] { return 1'000'000 + fixture.clock.NowUs(); }};
    CommandContext context{*fixture.device, fixture.clock, out, err};
};

TEST_F(TrafficReportTest, TracesEveryFrameWithItsMeaningAndOutcome) {
    fixture.answers = {kTable0, Bytes(kTable0.begin(), kTable0.end() - 1)};
    EXPECT_EQ(RunRead(context), kExitOk);
    EXPECT_EQ(RunRead(context), kExitFailure);
    EXPECT_EQ(
        trace.str(),
        "10:00:01,000 -> 68 05 05 68 01 00 6C 01 00 6E 16  SD2 1←0 read table 0  (sent)\n"
        "10:00:01,002 <- 68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16  SD2 0←1 table 0: value 12.5, "
        "sum 100  (accepted, first byte 2.0 ms, last 2.0 ms)\n"
        "10:00:01,002 -> 68 05 05 68 01 00 6C 01 00 6E 16  SD2 1←0 read table 0  (sent)\n"
        // Dated by its last byte, not by the end of the read 100 ms later, when the purge follows.
        "10:00:01,004 <- 68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C  SD2 0←1 table 0: value 12.5, sum "
        "100 [incomplete: 16 of 17 bytes]  (too short, first byte 2.0 ms, last 2.0 ms)\n"
        "10:00:01,104    purge of both directions\n");
}

TEST_F(TrafficReportTest, TracesSilence) {
    EXPECT_EQ(RunStatus(context), kExitFailure);
    EXPECT_EQ(trace.str(),
              "10:00:01,000 -> 10 01 00 69 6A 16  SD1 1←0 station status  (sent)\n"
              "10:00:01,512 <- no bytes  (no answer)\n");
}

TEST(SummaryText, CountsFailuresByKindAndTheResponseTimes) {
    LinkStatistics stats;
    const auto add = [&stats](TrafficDirection direction, TrafficOutcome outcome, std::int64_t us = -1) {
        TelegramEvent e;
        e.direction = direction;
        e.outcome = outcome;
        e.firstByteUs = us;
        e.lastByteUs = us;
        stats.Add(e);
    };
    EXPECT_EQ(SummaryText(stats.Total()),
              "traffic: 0 requests, 0 re-sends, 0 answers accepted, 0 failed\n"
              "response time: no answer arrived\n");
    add(TrafficDirection::Transmit, TrafficOutcome::Sent);
    add(TrafficDirection::Receive, TrafficOutcome::Accepted, 19'840);
    add(TrafficDirection::Transmit, TrafficOutcome::Sent);
    add(TrafficDirection::Receive, TrafficOutcome::WrongFcs, 20'000);
    add(TrafficDirection::Transmit, TrafficOutcome::Resent);
    add(TrafficDirection::Receive, TrafficOutcome::NoAnswer);
    add(TrafficDirection::Transmit, TrafficOutcome::WriteFailed);
    add(TrafficDirection::Receive, TrafficOutcome::WrongFcs, 21'000);
    EXPECT_EQ(SummaryText(stats.Total()),
              "traffic: 2 requests, 1 re-sends, 1 writes failed, 1 answers accepted, 3 failed (no answer 1, "
              "wrong FCS 2)\n"
              // The median is the middle of its histogram bucket, 19.968 to 20.480 ms.
              "response time: min 19.8 ms, median 20.2 ms, max 21.0 ms (3 answers)\n");
}

TEST_F(TrafficReportTest, WatchEndsWithTheSummary) {
    fixture.answers = {kTable0, {}, kTable0};
    WatchSettings settings;
    settings.count = 3;
    settings.statistics = &report.Statistics();
    EXPECT_EQ(RunWatch(context, settings), kExitFailure);
    const std::string text = err.str();
    const std::string summary =
        "traffic: 3 requests, 0 re-sends, 2 answers accepted, 1 failed (no answer 1)\n";
    ASSERT_NE(text.find(summary), std::string::npos) << text;
    EXPECT_EQ(text.find("Chyba při čtení"), 0u) << text;  // the failed reading came first
    EXPECT_NE(text.find("response time: min 2.0 ms, median 2.0 ms, max 2.0 ms (2 answers)\n"),
              std::string::npos)
        << text;
}

TEST_F(TrafficReportTest, WatchEndedByAGoneLineEndsWithTheSummaryToo) {
    WatchSettings settings;
    settings.count = 3;
    settings.statistics = &report.Statistics();
    context.lineGone = [] { return std::optional<std::string>("Sériový port COM1 nelze otevřít"); };
    EXPECT_EQ(RunWatch(context, settings), kExitFailure);
    EXPECT_EQ(err.str().rfind("Sériový port COM1 nelze otevřít\ntraffic: 1 requests, ", 0), 0u) << err.str();
}

}  // namespace
}  // namespace zt30::cli
