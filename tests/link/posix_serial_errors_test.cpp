// The POSIX backend on a real pseudo-terminal when things go wrong: a device that disappears, calls on a
// closed port, line errors marked by the kernel, and signals that interrupt the waits.
#include "link/posix_serial_backend.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/time.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "link/pty_pair.h"

namespace zt30 {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

class VanishingDeviceTest : public ::testing::Test {
protected:
    test::PtyPair pty;
    PosixSerialBackend backend{test::SlaveAsPortOne(pty)};

    void SetUp() override { ASSERT_TRUE(test::OpenLikeTheLine(backend)); }
};

TEST_F(VanishingDeviceTest, ReadFailsPromptlyWhenTheDeviceGoesMidAnswer) {
    // The instrument takes the request, sends two bytes of its answer and goes.
    std::thread unplug([&] {
        if (pty.ReadMaster(6, 5s).size() == 6) {
            pty.WriteMaster({0x68, 0x0B});
        }
        pty.CloseMaster();
    });
    backend.Write(Bytes{0x10, 0x02, 0x01, 0x49, 0x4C, 0x16});
    Bytes buffer(255);
    const auto start = Clock::now();
    const ReadResult r = backend.Read(buffer);
    const auto elapsed = MsSince(start);
    unplug.join();
    EXPECT_FALSE(r.ok);
    EXPECT_LT(elapsed, 1010) << "the total time-out of this read";
}

TEST_F(VanishingDeviceTest, EveryCallFailsWithoutHangingAfterTheDeviceWent) {
    pty.CloseMaster();
    const auto start = Clock::now();
    EXPECT_FALSE(backend.Write(Bytes{0x10, 0x02, 0x01, 0x49, 0x4C, 0x16}));
    Bytes buffer(17);
    EXPECT_FALSE(backend.Read(buffer).ok);
    backend.PurgeReceive();
    backend.PurgeTransmit();
    EXPECT_LT(MsSince(start), 534) << "the total time-out of the read";
    backend.ClosePort();
    EXPECT_FALSE(backend.IsOpen());
}

TEST(ClosedPortTest, CallsOnAClosedPortFail) {
    test::PtyPair pty;
    PosixSerialBackend backend(test::SlaveAsPortOne(pty));
    LineConfig config;
    Bytes buffer(4);
    EXPECT_FALSE(backend.SetQueues(256, 256));
    EXPECT_FALSE(backend.SetReadTimeouts(kLineReadTimeouts));
    EXPECT_FALSE(backend.GetConfig(config));
    EXPECT_FALSE(backend.SetConfig(config));
    EXPECT_FALSE(backend.Read(buffer).ok);
    EXPECT_FALSE(backend.Write(buffer));
    backend.PurgeReceive();
    backend.ClosePort();

    ASSERT_TRUE(test::OpenLikeTheLine(backend));
    ASSERT_TRUE(pty.WriteMaster({1, 2, 3}));
    backend.ClosePort();
    EXPECT_FALSE(backend.Read(buffer).ok) << "a read after close";
    EXPECT_FALSE(backend.Write(buffer)) << "a write after close";
}

TEST(ClosedPortTest, PortsWithoutATerminalDoNotOpen) {
    char file[] = "/tmp/zt30-serial-XXXXXX";
    const int fd = mkstemp(file);
    ASSERT_GE(fd, 0);
    close(fd);
    PosixSerialBackend backend([&](int n) -> std::optional<std::string> {
        if (n == 2) {
            return std::string(file);
        }
        return "/nonexistent/zt30-port";
    });
    EXPECT_FALSE(backend.OpenPort(0)) << "no port";
    EXPECT_FALSE(backend.OpenPort(-3));
    EXPECT_FALSE(backend.OpenPort(1)) << "a missing device";
    EXPECT_EQ(backend.OpenFailureDetail(), "/nonexistent/zt30-port: no such device");
    EXPECT_FALSE(backend.OpenPort(2)) << "a plain file is no serial port";
    EXPECT_EQ(backend.OpenFailureDetail(), std::string(file) + ": not a terminal");
    EXPECT_FALSE(backend.IsOpen());
    std::remove(file);
}

TEST(ClosedPortTest, UnsupportedFormatIsRefused) {
    test::PtyPair pty;
    PosixSerialBackend backend(test::SlaveAsPortOne(pty));
    ASSERT_TRUE(test::OpenLikeTheLine(backend));
    LineConfig config;
    ASSERT_TRUE(backend.GetConfig(config));
    for (auto change : {+[](LineConfig& c) { c.baudRate = 0; }, +[](LineConfig& c) { c.dataBits = 9; },
                        +[](LineConfig& c) { c.dataBits = 4; }, +[](LineConfig& c) { c.stopBits = 3; }}) {
        LineConfig bad = config;
        change(bad);
        EXPECT_FALSE(backend.SetConfig(bad));
    }
}

// A pseudo-terminal never has parity errors, so the test switches the kernel's marking off behind the
// backend's back (through a second descriptor of the same terminal) and sends the marks itself.
class LineErrorTest : public ::testing::Test {
protected:
    test::PtyPair pty;
    PosixSerialBackend backend{test::SlaveAsPortOne(pty)};
    const int slave = pty.SlaveWatchFd();

    void StopKernelMarking() {
        termios t{};
        ASSERT_EQ(tcgetattr(slave, &t), 0);
        ASSERT_NE(t.c_iflag & PARMRK, 0u) << "the backend turned marking on";
        t.c_iflag &= ~PARMRK;
        ASSERT_EQ(tcsetattr(slave, TCSANOW, &t), 0);
    }
};

TEST_F(LineErrorTest, ErrorMarkFailsThisAndEveryLaterCallUntilReopened) {
    ASSERT_GE(slave, 0);
    ASSERT_TRUE(test::OpenLikeTheLine(backend, 9600, true));
    StopKernelMarking();
    ASSERT_TRUE(pty.WriteMaster({0x68, 0xFF, 0x00, 0x41, 0x16}));
    Bytes buffer(4);
    EXPECT_FALSE(backend.Read(buffer).ok);
    EXPECT_TRUE(backend.HasLineError());

    ASSERT_TRUE(pty.WriteMaster({0x16}));
    EXPECT_FALSE(backend.Read(buffer).ok) << "the error is sticky";
    EXPECT_FALSE(backend.Write(Bytes{0x10}));
    backend.PurgeReceive();
    EXPECT_FALSE(backend.Read(buffer).ok) << "purging does not clear it";

    backend.ClosePort();
    ASSERT_TRUE(test::OpenLikeTheLine(backend, 9600, true));
    EXPECT_FALSE(backend.HasLineError());
    ASSERT_TRUE(pty.WriteMaster({0x16}));
    Bytes one(1);
    const ReadResult r = backend.Read(one);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 1u);
}

TEST_F(LineErrorTest, WithoutAbortOnErrorTheMarkedByteIsDelivered) {
    ASSERT_GE(slave, 0);
    ASSERT_TRUE(test::OpenLikeTheLine(backend, 9600, false));
    StopKernelMarking();
    ASSERT_TRUE(pty.WriteMaster({0x68, 0xFF, 0x00, 0x41, 0x16}));
    Bytes buffer(3);
    const ReadResult r = backend.Read(buffer);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, 3u);
    EXPECT_EQ(buffer, (Bytes{0x68, 0x41, 0x16}));
    EXPECT_FALSE(backend.HasLineError());
}

TEST_F(LineErrorTest, RealFfSplitAcrossTwoReads) {
    ASSERT_GE(slave, 0);
    ASSERT_TRUE(test::OpenLikeTheLine(backend));
    StopKernelMarking();
    ASSERT_TRUE(pty.WriteMaster({0x01, 0xFF}));
    Bytes buffer(4);
    ReadResult r = backend.Read(buffer);  // ends by the interval time-out inside the mark
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, 1u);
    EXPECT_EQ(buffer[0], 0x01);

    ASSERT_TRUE(pty.WriteMaster({0xFF, 0x02}));
    r = backend.Read(buffer);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, 2u);
    EXPECT_EQ(buffer[0], 0xFF);
    EXPECT_EQ(buffer[1], 0x02);
    EXPECT_FALSE(backend.HasLineError());
}

void IgnoreSignal(int) {}

// A real signal every 7 ms, from an interval timer: no thread and no sleep. Every wait of the read is
// interrupted many times; recomputing each poll's time-out from the deadline is what lets it end at all.
TEST(InterruptedWaitTest, SignalsDoNotShortenOrBreakARead) {
    test::PtyPair pty;
    PosixSerialBackend backend(test::SlaveAsPortOne(pty));
    ASSERT_TRUE(test::OpenLikeTheLine(backend));

    struct sigaction action {};
    action.sa_handler = IgnoreSignal;  // no SA_RESTART: every wait is interrupted with EINTR
    struct sigaction previous {};
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    itimerval every7ms{{0, 7000}, {0, 7000}};
    ASSERT_EQ(setitimer(ITIMER_REAL, &every7ms, nullptr), 0);

    Bytes buffer(6);
    const auto start = Clock::now();
    const ReadResult silent = backend.Read(buffer);
    const auto silentMs = MsSince(start);
    const Bytes answer{0x10, 0x02, 0x01, 0x49, 0x4C, 0x16};
    const bool sent = pty.WriteMaster(answer);
    const ReadResult answered = backend.Read(buffer);

    itimerval off{};
    setitimer(ITIMER_REAL, &off, nullptr);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;  // discards a signal still pending before the old action returns
    sigaction(SIGALRM, &ignore, nullptr);
    sigaction(SIGALRM, &previous, nullptr);

    EXPECT_TRUE(silent.ok);
    EXPECT_EQ(silent.count, 0u);
    EXPECT_GE(silentMs, 512);
    EXPECT_LT(silentMs, 4 * 512) << "interrupted waits must not start the time-out again";
    ASSERT_TRUE(sent);
    EXPECT_TRUE(answered.ok);
    EXPECT_EQ(answered.count, 6u);
    EXPECT_EQ(buffer, answer);
}

}  // namespace
}  // namespace zt30
