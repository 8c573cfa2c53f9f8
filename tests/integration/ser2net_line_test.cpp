// Lines on the network against a real serial device server: Debian's ser2net serving zt30-sim's
// pseudo-terminal on 127.0.0.1, once with Telnet and the COM port option and once raw. The requests the
// simulator logs, the speed its terminal is set to, 0xFF in both directions, a silent station, a server that
// goes away, one that is not there, and zt30ctl with such an address.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <bit>
#include <chrono>
#include <memory>

#include "link/com_ports.h"
#include "link/device.h"
#include "sim/ser2net_process.h"
#include "sim/sim_process.h"
#include "support/hex.h"
#include "support/ui_recorder.h"

namespace zt30::test {
namespace {

using SteadyClock = std::chrono::steady_clock;

long ElapsedMs(SteadyClock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count());
}

// The program's link over one network address, as COM1.
struct NetLink {
    explicit NetLink(std::string address)
        : line(settings, MakeSystemSerialBackend([address](int) { return address; })),
          link(line, clock),
          ops(link, image, ui) {
        link.SetDestinationAddress(1);
        link.SetSourceAddress(0);
    }
    PortSettings settings{1, 9600, 1, 0};
    SystemClock clock;
    SerialLine line;
    TelegramLayer link;
    DeviceImage image;
    UiRecorder ui;
    DeviceOperations ops;
};

class Ser2netLine : public ::testing::Test {
protected:
    void SetUp() override {
        if (Ser2netBinary().empty()) {
            GTEST_SKIP() << "ser2net is not installed (scripts/setup installs it)";
        }
        sim = std::make_unique<SimProcess>(ZT30_SIM_PATH, std::vector<std::string>{"--stations", "1"});
        ASSERT_FALSE(sim->SlavePath().empty());
        server = std::make_unique<Ser2netProcess>(sim->SlavePath());
        ASSERT_TRUE(server->Running()) << "ser2net did not start";
    }
    speed_t TerminalSpeed() const {
        const int fd = ::open(sim->SlavePath().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
        termios t{};
        ::tcgetattr(fd, &t);
        ::close(fd);
        return cfgetospeed(&t);
    }

    std::unique_ptr<SimProcess> sim;
    std::unique_ptr<Ser2netProcess> server;
};

TEST_F(Ser2netLine, TableZeroIsReadOverBothSchemesWithTheExactRequest) {
    for (const bool telnet : {true, false}) {
        NetLink net(server->Address(telnet));
        ASSERT_TRUE(net.line.Open(1)) << server->Address(telnet);
        EXPECT_TRUE(net.ops.ReadTable(0)) << sim->Log();
        EXPECT_EQ(ToHex(sim->Requests().back()), "68 05 05 68 01 00 6C 01 00 6E 16");
    }
}

TEST_F(Ser2netLine, AValueHolding0xFFGoesAndComesBackWhole) {
    NetLink net(server->Address(true));
    ASSERT_TRUE(net.line.Open(1));
    net.image.scale = std::bit_cast<float>(0x3FFFFFFFu);  // bytes FF FF FF 3F on the line
    net.image.offset = 0.0f;
    ASSERT_TRUE(net.ops.WriteTable(2)) << sim->Log();
    EXPECT_NE(ToHex(sim->Requests().back()).find("FF FF FF 3F"), std::string::npos);
    net.image.scale = 0.0f;
    ASSERT_TRUE(net.ops.ReadTable(2));
    EXPECT_EQ(std::bit_cast<std::uint32_t>(net.image.scale), 0x3FFFFFFFu);
}

TEST_F(Ser2netLine, ANewSpeedReachesTheServersTerminalAtOnce) {
    NetLink net(server->Address(true));
    net.settings.baudRate = 19200;
    ASSERT_TRUE(net.line.Open(1));
    EXPECT_EQ(TerminalSpeed(), B19200);
    net.settings.baudRate = 115200;
    net.line.ApplySettings();
    EXPECT_EQ(TerminalSpeed(), B115200);
    EXPECT_TRUE(net.ops.ReadTable(0));
}

TEST_F(Ser2netLine, ASilentStationFailsInItsTimeOutAndTheLineGoesOn) {
    NetLink net(server->Address(true));
    ASSERT_TRUE(net.line.Open(1));
    net.link.SetDestinationAddress(9);
    const auto start = SteadyClock::now();
    EXPECT_FALSE(net.ops.ReadTable(0));
    EXPECT_GE(ElapsedMs(start), 534);  // 500 + 2 * 17
    net.link.SetDestinationAddress(1);
    EXPECT_TRUE(net.ops.ReadTable(0));
}

TEST_F(Ser2netLine, AServerGoneFailsAtOnceAndOneNotThereFailsTheOpen) {
    NetLink net(server->Address(true));
    ASSERT_TRUE(net.line.Open(1));
    ASSERT_TRUE(net.ops.ReadTable(0));
    server->Stop(SIGKILL);
    const auto start = SteadyClock::now();
    EXPECT_FALSE(net.ops.ReadTable(0));
    EXPECT_FALSE(net.ops.ReadTable(0));
    // Far below one read's time-out of 534 ms: the failure needs no waiting.
    EXPECT_LT(ElapsedMs(start), 534);
    EXPECT_FALSE(net.line.Open(1));
    EXPECT_EQ(std::string(net.line.OpenFailure().what()), "Sériový port COM1 nelze otevřít");
}

TEST_F(Ser2netLine, ASecondClientIsRefusedAsTheOpenFailure) {
    NetLink first(server->Address(true));
    ASSERT_TRUE(first.line.Open(1));
    for (const bool telnet : {true, false}) {
        NetLink second(server->Address(telnet));
        EXPECT_FALSE(second.line.Open(1)) << server->Address(telnet);
    }
    EXPECT_TRUE(first.ops.ReadTable(0));
}

TEST_F(Ser2netLine, Zt30ctlReadsThroughTheServerAndRefusesAMalformedAddress) {
    const ProgramRun run = RunProgram(ZT30CTL_PATH, {"read", "--device", server->Address(true)});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("value ", 0), 0u) << run.out;

    const std::size_t requests = sim->Requests().size();
    const ProgramRun bad = RunProgram(ZT30CTL_PATH, {"read", "--device", "tcp://127.0.0.1"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(
        bad.err,
        "zt30ctl: option --device: \"tcp://127.0.0.1\" is not a network address: no port (HOST:PORT)\n");
    EXPECT_EQ(sim->Requests().size(), requests);
}

}  // namespace
}  // namespace zt30::test
