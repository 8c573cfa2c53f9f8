// Every exchange with the instrument runs in the two fixed frame buffers: this executable counts the heap
// allocations of the whole process while each device operation talks to zt30-sim over the real POSIX backend,
// without and with the line monitor recording it.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>
#include <optional>
#include <tuple>

#include "link/com_ports.h"
#include "link/device.h"
#include "link/line_monitor.h"
#include "sim/sim_process.h"
#include "support/ui_recorder.h"

namespace {
std::atomic<long> allocations{0};
}  // namespace

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

void operator delete(void* p) noexcept {
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace zt30::test {
namespace {

struct Operation {
    const char* name;
    std::function<bool(DeviceOperations&)> run;
    friend void PrintTo(const Operation& o, std::ostream* os) { *os << o.name; }
};

class NoAllocation : public testing::TestWithParam<std::tuple<Operation, bool>> {};

TEST_P(NoAllocation, DuringTheExchange) {
    const Operation& operation = std::get<0>(GetParam());
    const bool recorded = std::get<1>(GetParam());
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1", "--foreign", "9"});
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
    ASSERT_TRUE(line.Open(1));
    // The operation under test succeeds, so its whole path (copying into the image included) is counted.
    if (std::string_view(operation.name) == "ForeignIdentification") {
        link.SetDestinationAddress(9);
    }
    std::optional<LineMonitor> monitor;
    if (recorded) {
        monitor.emplace(link);
    }
    const std::function<bool(DeviceOperations&)>& run = operation.run;
    const long before = allocations.load();
    const bool ok = run(device);
    const long during = allocations.load() - before;
    EXPECT_TRUE(ok) << sim.Log();
    EXPECT_EQ(during, 0);
    if (monitor) {
        EXPECT_GE(monitor->Traffic().Size(), 2u);
    }
}

// The failing paths record more (re-sends, refused reads, purges), still without allocating.
TEST(NoAllocationRecorded, WhenAnswersFail) {
    SimProcess sim(ZT30_SIM_PATH,
                   {"--stations", "1", "--fault", "short@1", "--fault", "short@2", "--fault", "nak@4"});
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
    ASSERT_TRUE(line.Open(1));
    LineMonitor monitor(link);
    const long before = allocations.load();
    const bool read = device.ReadTable(0);         // short
    const bool identified = device.ReadVersion();  // short, then re-sent and answered
    const bool cleared = device.ClearCounter();    // refused, then silent: re-sent and purged
    const long during = allocations.load() - before;
    EXPECT_FALSE(read);
    EXPECT_TRUE(identified) << sim.Log();
    EXPECT_FALSE(cleared);
    EXPECT_EQ(during, 0);
    const TrafficCounters& total = monitor.Statistics().Total();
    EXPECT_EQ(total.Count(TrafficOutcome::Resent), 2u) << sim.Log();
    EXPECT_EQ(total.Count(TrafficOutcome::TooShort), 2u) << sim.Log();
    EXPECT_EQ(total.Count(TrafficOutcome::NegativeAcknowledgement), 1u) << sim.Log();
    EXPECT_EQ(total.Count(TrafficOutcome::Purged), 2u) << sim.Log();
}

INSTANTIATE_TEST_SUITE_P(
    Operations, NoAllocation,
    testing::Combine(
        testing::Values(
            Operation{"ReadTable0", [](DeviceOperations& d) { return d.ReadTable(0); }},
            Operation{"ReadTable3", [](DeviceOperations& d) { return d.ReadTable(3); }},
            Operation{"WriteTable2", [](DeviceOperations& d) { return d.WriteTable(2); }},
            Operation{"ClearCounter", [](DeviceOperations& d) { return d.ClearCounter(); }},
            Operation{"Identification", [](DeviceOperations& d) { return d.ReadIdentification(); }},
            Operation{"Version", [](DeviceOperations& d) { return d.ReadVersion(); }},
            Operation{"ForeignIdentification",
                      [](DeviceOperations& d) { return d.ReadForeignIdentification(); }},
            Operation{"StationStatus", [](DeviceOperations& d) { return d.RequestStationStatus(); }}),
        testing::Bool()),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + (std::get<1>(info.param) ? "Recorded" : "");
    });

}  // namespace
}  // namespace zt30::test
