// Every exchange with the instrument runs in the two fixed frame buffers: this executable counts the heap
// allocations of the whole process while each device operation talks to zt30-sim over the real POSIX backend.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <new>

#include "link/com_ports.h"
#include "link/device.h"
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

class NoAllocation : public testing::TestWithParam<Operation> {};

TEST_P(NoAllocation, DuringTheExchange) {
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
    if (std::string_view(GetParam().name) == "ForeignIdentification") {
        link.SetDestinationAddress(9);
    }
    const std::function<bool(DeviceOperations&)>& run = GetParam().run;
    const long before = allocations.load();
    const bool ok = run(device);
    const long during = allocations.load() - before;
    EXPECT_TRUE(ok) << sim.Log();
    EXPECT_EQ(during, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, NoAllocation,
    testing::Values(Operation{"ReadTable0", [](DeviceOperations& d) { return d.ReadTable(0); }},
                    Operation{"ReadTable3", [](DeviceOperations& d) { return d.ReadTable(3); }},
                    Operation{"WriteTable2", [](DeviceOperations& d) { return d.WriteTable(2); }},
                    Operation{"ClearCounter", [](DeviceOperations& d) { return d.ClearCounter(); }},
                    Operation{"Identification", [](DeviceOperations& d) { return d.ReadIdentification(); }},
                    Operation{"Version", [](DeviceOperations& d) { return d.ReadVersion(); }},
                    Operation{"ForeignIdentification",
                              [](DeviceOperations& d) { return d.ReadForeignIdentification(); }},
                    Operation{"StationStatus", [](DeviceOperations& d) { return d.RequestStationStatus(); }}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zt30::test
