// The line monitor's parts: the traffic ring (wrapping, sequence numbers, copies of the bytes), the response
// time histogram against exact figures, the statistics per station and in total, and the monitor on a link.
#include "link/line_monitor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "support/link_fixture.h"

namespace zt30::test {
namespace {

TelegramEvent Event(TrafficDirection direction, TrafficOutcome outcome, std::uint8_t destination = 1,
                    std::int64_t lastByteUs = -1) {
    TelegramEvent e;
    e.direction = direction;
    e.outcome = outcome;
    e.destination = destination;
    e.lastByteUs = lastByteUs;
    e.firstByteUs = lastByteUs;
    return e;
}

TEST(TrafficRing, KeepsTheNewestRecordsWithTheirSequenceNumbers) {
    TrafficRing ring(3);
    const Bytes bytes = Hex("68 05 05 68 01 00 6C 01 00 6E 16");
    for (int i = 0; i < 5; ++i) {
        TelegramEvent e = Event(TrafficDirection::Transmit, TrafficOutcome::Sent);
        e.exchange = static_cast<std::uint32_t>(i);
        e.bytes = std::span(bytes).first(static_cast<std::size_t>(i + 1));
        ring.Push(e, 1000 + i);
    }
    EXPECT_EQ(ring.Size(), 3u);
    EXPECT_EQ(ring.BeginSequence(), 2u);
    EXPECT_EQ(ring.EndSequence(), 5u);
    EXPECT_EQ(ring.Find(1), nullptr);
    EXPECT_EQ(ring.Find(5), nullptr);
    for (std::uint64_t s = 2; s < 5; ++s) {
        const TrafficRecord* r = ring.Find(s);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->sequence, s);
        EXPECT_EQ(r->exchange, s);
        EXPECT_EQ(r->wallUs, static_cast<std::int64_t>(1000 + s));
        EXPECT_EQ(ToHex(r->Bytes()), ToHex(std::span(bytes).first(s + 1)));
    }
}

TEST(TrafficRing, ClearForgetsButNumbersGoOn) {
    TrafficRing ring(4);
    ring.Push(Event(TrafficDirection::Purge, TrafficOutcome::Purged), 0);
    ring.Push(Event(TrafficDirection::Purge, TrafficOutcome::Purged), 0);
    ring.Clear();
    EXPECT_EQ(ring.Size(), 0u);
    EXPECT_EQ(ring.Find(1), nullptr);
    ring.Push(Event(TrafficDirection::Purge, TrafficOutcome::Purged), 0);
    EXPECT_EQ(ring.BeginSequence(), 2u);
    ASSERT_NE(ring.Find(2), nullptr);
}

TEST(TrafficRing, CutsBytesBeyondAFrameBuffer) {
    TrafficRing ring(1);
    const Bytes many(300, 0xAB);
    TelegramEvent e = Event(TrafficDirection::Receive, TrafficOutcome::WrongLength);
    e.bytes = many;
    ring.Push(e, 0);
    EXPECT_EQ(ring.Find(0)->Bytes().size(), 256u);
}

TEST(ResponseHistogram, MedianWithinItsBucketOfTheExactOne) {
    std::mt19937 random(3);
    for (int round = 0; round < 50; ++round) {
        ResponseHistogram h;
        std::vector<std::int64_t> values(1 + random() % 500);
        for (std::int64_t& v : values) {
            // from microseconds to seconds, as answers come
            v = static_cast<std::int64_t>(std::exp(std::uniform_real_distribution<double>(0, 15)(random)));
            h.Add(v);
        }
        std::sort(values.begin(), values.end());
        const std::int64_t median = values[(values.size() - 1) / 2];
        EXPECT_EQ(h.Count(), values.size());
        EXPECT_EQ(h.Min(), values.front());
        EXPECT_EQ(h.Max(), values.back());
        EXPECT_NEAR(static_cast<double>(h.Median()), static_cast<double>(median), median * 0.032 + 0.5);
    }
}

TEST(ResponseHistogram, EdgesEmptyExactAndHuge) {
    ResponseHistogram h;
    EXPECT_EQ(h.Median(), 0);
    EXPECT_EQ(h.Min(), 0);
    h.Add(-5);  // a clock that went back counts as 0
    h.Add(63);
    h.Add(std::int64_t{1} << 40);
    EXPECT_EQ(h.Min(), 0);
    EXPECT_EQ(h.Median(), 63);
    EXPECT_EQ(h.Max(), std::int64_t{1} << 40);
    h.Reset();
    EXPECT_EQ(h.Count(), 0u);
    h.Add(1'000'000);
    EXPECT_EQ(h.Median(), 1'000'000);  // one value: min and max hold the median to it
}

TEST(LinkStatistics, CountsPerStationAndInTotal) {
    LinkStatistics stats;
    stats.Add(Event(TrafficDirection::Transmit, TrafficOutcome::Sent, 1));
    stats.Add(Event(TrafficDirection::Receive, TrafficOutcome::Accepted, 1, 20'000));
    stats.Add(Event(TrafficDirection::Transmit, TrafficOutcome::Sent, 5));
    stats.Add(Event(TrafficDirection::Receive, TrafficOutcome::WrongFcs, 5, 30'000));
    stats.Add(Event(TrafficDirection::Transmit, TrafficOutcome::Resent, 5));
    stats.Add(Event(TrafficDirection::Receive, TrafficOutcome::NoAnswer, 5));
    stats.Add(Event(TrafficDirection::Purge, TrafficOutcome::Purged, 5));
    stats.Add(Event(TrafficDirection::Transmit, TrafficOutcome::Sent, 200));  // beyond the stations
    const TrafficCounters& total = stats.Total();
    EXPECT_EQ(total.Count(TrafficOutcome::Sent), 3u);
    EXPECT_EQ(total.Count(TrafficOutcome::Resent), 1u);
    EXPECT_EQ(total.Count(TrafficOutcome::Accepted), 1u);
    EXPECT_EQ(total.FailedReads(), 2u);
    EXPECT_EQ(total.Count(TrafficOutcome::Purged), 1u);
    EXPECT_EQ(total.responseTime.Count(), 2u);
    EXPECT_EQ(total.responseTime.Min(), 20'000);
    EXPECT_EQ(total.responseTime.Max(), 30'000);
    const TrafficCounters& five = stats.Station(5);
    EXPECT_EQ(five.Count(TrafficOutcome::Sent), 1u);
    EXPECT_EQ(five.Count(TrafficOutcome::WrongFcs), 1u);
    EXPECT_EQ(five.Count(TrafficOutcome::NoAnswer), 1u);
    EXPECT_EQ(five.responseTime.Median(), 30'000);
    EXPECT_TRUE(stats.Station(1).Any());
    EXPECT_FALSE(stats.Station(2).Any());
    EXPECT_FALSE(stats.Station(200).Any());
    EXPECT_FALSE(stats.Station(-1).Any());

    const std::uint64_t before = stats.Version();
    stats.Reset();
    EXPECT_NE(stats.Version(), before);
    EXPECT_FALSE(stats.Total().Any());
    EXPECT_FALSE(stats.Station(5).Any());
    EXPECT_EQ(stats.Total().responseTime.Count(), 0u);
}

TEST(LineMonitor, RecordsTheLinksTrafficWithWallTimesWhileItLives) {
    LinkFixture f;
    std::int64_t wall = 1'700'000'000'000'000;
    f.answers = {Hex("10 00 01 00 01 16")};
    {
        LineMonitor monitor(*f.link, 10, [&wall] { return wall += 1000; });
        EXPECT_EQ(f.link->Observer(), &monitor);
        f.device->RequestStationStatus();
        const TrafficRing& ring = monitor.Traffic();
        ASSERT_EQ(ring.Size(), 2u);
        EXPECT_EQ(ring.Find(0)->direction, TrafficDirection::Transmit);
        EXPECT_EQ(ToHex(ring.Find(0)->Bytes()), "10 01 00 69 6A 16");
        EXPECT_EQ(ring.Find(1)->outcome, TrafficOutcome::Accepted);
        EXPECT_EQ(ring.Find(1)->wallUs - ring.Find(0)->wallUs, 1000);
        EXPECT_EQ(monitor.Statistics().Station(1).Count(TrafficOutcome::Accepted), 1u);
    }
    EXPECT_EQ(f.link->Observer(), nullptr);
    f.device->RequestStationStatus();  // calls no monitor that is gone (the sanitizer build would see it)
}

}  // namespace
}  // namespace zt30::test
