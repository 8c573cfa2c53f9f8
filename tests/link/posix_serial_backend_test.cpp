// The POSIX backend on a real pseudo-terminal: bytes both ways, the read time-outs, purges, exclusive opening
// and the bit rates. Nothing here waits by sleeping: the test writes its bytes first or waits on a
// descriptor, and asserts only lower bounds on time, plus an upper bound where ending early is the point. The
// timing under interrupted, partial and failing calls is tested exactly over scripted calls.
#include "link/posix_serial_backend.h"

#include <chrono>
#include <numeric>
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

Bytes AllByteValues() {
    Bytes b(256);
    std::iota(b.begin(), b.end(), 0);
    return b;
}

class PtyBackendTest : public ::testing::Test {
protected:
    test::PtyPair pty;
    PosixSerialBackend backend{test::SlaveAsPortOne(pty)};

    void SetUp() override { ASSERT_TRUE(test::OpenLikeTheLine(backend)); }

    ReadResult ReadInto(Bytes& buffer) { return backend.Read(buffer); }
};

class PtyBytesTest : public ::testing::TestWithParam<bool> {
protected:
    test::PtyPair pty;
    PosixSerialBackend backend{test::SlaveAsPortOne(pty)};
};

// Every byte value, and sequences that look like the kernel's error marks, pass unchanged in both directions,
// with parity checking (and so marking) on and off.
TEST_P(PtyBytesTest, EveryByteValuePassesBothWays) {
    LineConfig config;
    ASSERT_TRUE(backend.OpenPort(1));
    ASSERT_TRUE(backend.SetReadTimeouts(kLineReadTimeouts));
    ASSERT_TRUE(backend.GetConfig(config));
    config.parityCheck = GetParam();
    config.abortOnError = true;
    ASSERT_TRUE(backend.SetConfig(config));

    const Bytes request = AllByteValues();
    ASSERT_TRUE(backend.Write(request));
    EXPECT_EQ(pty.ReadMaster(request.size(), 5s), request);

    Bytes answer = AllByteValues();
    const Bytes lookalikes{0xFF, 0x00, 0x41, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xFF};
    answer.insert(answer.end(), lookalikes.begin(), lookalikes.end());
    ASSERT_TRUE(pty.WriteMaster(answer));
    Bytes got(answer.size());
    const ReadResult r = backend.Read(got);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, answer.size());
    EXPECT_EQ(got, answer);
    EXPECT_FALSE(backend.HasLineError());
}

INSTANTIATE_TEST_SUITE_P(ParityCheck, PtyBytesTest, ::testing::Bool());

TEST_F(PtyBackendTest, ReadWithNoAnswerTimesOutAfterTotalTime) {
    Bytes buffer(6);
    const auto start = Clock::now();
    const ReadResult r = ReadInto(buffer);
    EXPECT_TRUE(r.ok) << "a time-out is not a failure";
    EXPECT_EQ(r.count, 0u);
    EXPECT_GE(MsSince(start), 512);
}

TEST_F(PtyBackendTest, ReadEndsIntervalAfterLastByte) {
    const Bytes answer{0x68, 0x0B, 0x0B, 0x68, 0x02, 0x01, 0x08, 0x00, 0x00,
                       0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x0E, 0x16};
    ASSERT_TRUE(pty.WriteMaster(answer));
    ASSERT_TRUE(pty.WaitForSlaveInput(5s));
    Bytes buffer(255);
    const auto start = Clock::now();
    const ReadResult r = ReadInto(buffer);
    const auto elapsed = MsSince(start);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, answer.size());
    EXPECT_TRUE(std::equal(answer.begin(), answer.end(), buffer.begin()));
    EXPECT_GE(elapsed, 100);
    EXPECT_LT(elapsed, 1010) << "the total time-out of this read";
}

TEST_F(PtyBackendTest, ReadEndsAtOnceWhenAllRequestedBytesArrived) {
    // Long time-outs make a read that waits for either of them plainly visible.
    ASSERT_TRUE(backend.SetReadTimeouts({3000, 2, 5000}));
    ASSERT_TRUE(pty.WriteMaster({0x10, 0x02, 0x01, 0x49, 0x4C, 0x16}));
    Bytes buffer(6);
    const auto start = Clock::now();
    const ReadResult r = ReadInto(buffer);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 6u);
    EXPECT_LT(MsSince(start), 3000) << "the interval time-out";
}

TEST_F(PtyBackendTest, ReadLeavesBytesBeyondTheRequestQueued) {
    ASSERT_TRUE(pty.WriteMaster({1, 2, 0xFF, 4, 5}));
    Bytes first(3);
    ReadResult r = ReadInto(first);
    ASSERT_EQ(r.count, 3u);
    EXPECT_EQ(first, (Bytes{1, 2, 0xFF}));
    Bytes rest(5);
    r = ReadInto(rest);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, 2u);
    EXPECT_EQ(rest[0], 4);
    EXPECT_EQ(rest[1], 5);
}

TEST_F(PtyBackendTest, PurgeReceiveDiscardsEarlierInput) {
    ASSERT_TRUE(pty.WriteMaster({0xAA, 0xBB, 0xCC}));
    ASSERT_TRUE(pty.WaitForSlaveInput(5s));  // the late answer is in the slave's queue
    backend.PurgeReceive();
    ASSERT_TRUE(pty.WriteMaster({0x11, 0x22}));
    Bytes buffer(4);
    const ReadResult r = ReadInto(buffer);
    EXPECT_TRUE(r.ok);
    ASSERT_EQ(r.count, 2u);
    EXPECT_EQ(buffer[0], 0x11);
    EXPECT_EQ(buffer[1], 0x22);
}

TEST_F(PtyBackendTest, WriteLargerThanTheSystemBufferArrivesWhole) {
    Bytes data(20000);
    for (std::size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<std::uint8_t>(i * 7);
    }
    Bytes received;
    std::thread instrument([&] { received = pty.ReadMaster(data.size(), 10s); });
    EXPECT_TRUE(backend.Write(data));
    instrument.join();
    EXPECT_EQ(received, data);
}

TEST_F(PtyBackendTest, SecondOpenOfTheSamePortFailsUntilTheFirstCloses) {
    PosixSerialBackend other(test::SlaveAsPortOne(pty));
    EXPECT_FALSE(other.OpenPort(1));
    backend.ClosePort();
    EXPECT_TRUE(other.OpenPort(1));
    EXPECT_FALSE(backend.OpenPort(1));
}

TEST_F(PtyBackendTest, ReopenAfterCloseWorks) {
    backend.ClosePort();
    backend.ClosePort();  // closing twice is harmless
    ASSERT_TRUE(test::OpenLikeTheLine(backend));
    ASSERT_TRUE(backend.Write(Bytes{0x42}));
    EXPECT_EQ(pty.ReadMaster(1, 5s), Bytes{0x42});
}

class PtyRateTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(PtyRateTest, RateIsSetAndReadBackOnTheOpenPort) {
    test::PtyPair pty;
    PosixSerialBackend backend(test::SlaveAsPortOne(pty));
    ASSERT_TRUE(test::OpenLikeTheLine(backend, 19200));
    LineConfig config;
    ASSERT_TRUE(backend.GetConfig(config));
    ASSERT_EQ(config.baudRate, 19200u);

    // A change of rate takes effect on the open port, without reopening.
    config.baudRate = GetParam();
    ASSERT_TRUE(backend.SetConfig(config));
    LineConfig back;
    ASSERT_TRUE(backend.GetConfig(back));
    EXPECT_EQ(back.baudRate, GetParam());
    EXPECT_EQ(back.dataBits, 8);
    EXPECT_EQ(back.stopBits, 1);
    EXPECT_TRUE(back.parityCheck);

    ASSERT_TRUE(backend.Write(Bytes{0x10, 0x16}));
    EXPECT_EQ(pty.ReadMaster(2, 5s), (Bytes{0x10, 0x16}));
}

INSTANTIATE_TEST_SUITE_P(Rates, PtyRateTest,
                         ::testing::Values(110u, 9600u, 56000u, 57600u, 128000u, 256000u));

}  // namespace
}  // namespace zt30
