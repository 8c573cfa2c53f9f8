// The line monitor on the real POSIX backend against zt30-sim with a scripted mix of faults: the statistics
// count each request, answer and kind of damage for the station it went to, and the ring holds the damaged
// bytes exactly as they came.
#include <gtest/gtest.h>

#include "link/com_ports.h"
#include "link/device.h"
#include "link/line_monitor.h"
#include "sim/sim_process.h"
#include "support/ui_recorder.h"

namespace zt30::test {
namespace {

TEST(LineStatisticsAgainstSim, CountEveryFaultForItsStation) {
    // Requests are counted by the simulator from 1 across its stations.
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1,5", "--fault", "none@2", "--fault", "short@3", "--fault",
                                   "fcs@4", "--fault", "ed@5", "--fault", "nak@6", "--fault", "none@8"});
    ASSERT_FALSE(sim.SlavePath().empty());
    const std::string path = sim.SlavePath();
    PortSettings settings{1, 9600, 1, 0};
    SerialLine line(settings, MakeSystemSerialBackend([path](int) { return path; }));
    SystemClock clock;
    TelegramLayer link(line, clock);
    link.SetDestinationAddress(1);
    DeviceImage image;
    UiRecorder ui;
    DeviceOperations device(link, image, ui);
    LineMonitor monitor(link);
    ASSERT_TRUE(line.Open(1));

    std::vector<bool> results;
    for (int i = 0; i < 6; ++i) {
        results.push_back(device.ReadTable(0));  // requests 1 to 6
    }
    link.SetDestinationAddress(5);
    results.push_back(device.RequestStationStatus());  // 7
    results.push_back(device.RequestStationStatus());  // 8: silent
    link.SetDestinationAddress(1);
    results.push_back(device.ReadTable(0));  // 9
    EXPECT_EQ(results, (std::vector<bool>{true, false, false, false, false, false, true, false, true}))
        << sim.Log();

    const LinkStatistics& stats = monitor.Statistics();
    const TrafficCounters& one = stats.Station(1);
    EXPECT_EQ(one.Count(TrafficOutcome::Sent), 7u);
    EXPECT_EQ(one.Count(TrafficOutcome::Accepted), 2u);
    EXPECT_EQ(one.Count(TrafficOutcome::NoAnswer), 1u);
    EXPECT_EQ(one.Count(TrafficOutcome::TooShort), 1u);
    EXPECT_EQ(one.Count(TrafficOutcome::WrongFcs), 1u);
    EXPECT_EQ(one.Count(TrafficOutcome::WrongEnd), 1u);
    EXPECT_EQ(one.Count(TrafficOutcome::NegativeAcknowledgement), 1u);
    EXPECT_EQ(one.Count(TrafficOutcome::Purged), 5u);
    EXPECT_EQ(one.responseTime.Count(), 6u);  // every read that got bytes
    const TrafficCounters& five = stats.Station(5);
    EXPECT_EQ(five.Count(TrafficOutcome::Sent), 2u);
    EXPECT_EQ(five.Count(TrafficOutcome::Accepted), 1u);
    EXPECT_EQ(five.Count(TrafficOutcome::NoAnswer), 1u);
    EXPECT_EQ(five.Count(TrafficOutcome::Purged), 0u);  // the status request never purges
    const TrafficCounters& total = stats.Total();
    EXPECT_EQ(total.Count(TrafficOutcome::Sent), 9u);
    EXPECT_EQ(total.Count(TrafficOutcome::Accepted), 3u);
    EXPECT_EQ(total.FailedReads(), 6u);
    const ResponseHistogram& times = total.responseTime;
    EXPECT_EQ(times.Count(), 7u);
    EXPECT_GT(times.Min(), 0);
    EXPECT_LE(times.Min(), times.Median());
    EXPECT_LE(times.Median(), times.Max());

    // The short answer sits in the ring as it came: the 16 bytes of table 0 without the end byte.
    int shortSeen = 0;
    const TrafficRing& ring = monitor.Traffic();
    for (std::uint64_t s = ring.BeginSequence(); s < ring.EndSequence(); ++s) {
        const TrafficRecord& r = *ring.Find(s);
        if (r.outcome == TrafficOutcome::TooShort) {
            ++shortSeen;
            EXPECT_EQ(r.length, 16u);
            EXPECT_EQ(r.data[0], 0x68);
            EXPECT_GE(r.lastByteUs, r.firstByteUs);
        }
    }
    EXPECT_EQ(shortSeen, 1);
}

}  // namespace
}  // namespace zt30::test
