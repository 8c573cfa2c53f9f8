// The POSIX backend over scripted system calls: interrupted and spurious waits, failing, partial and blocked
// writes, a device that hangs up, an output queue that never drains, the driver's error counters, the order
// of the open steps and the terminal settings written; every time asserted exactly on the fake clock.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>
#include <vector>

#include "link/fake_posix_system.h"
#include "link/posix_serial_backend.h"
#include "link/pty_pair.h"

namespace zt30::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Script = std::function<void(FakePosixSystem&)>;

class ScriptedBackend {
public:
    ScriptedBackend() {
        auto system = std::make_unique<FakePosixSystem>();
        sys = system.get();
        backend = std::make_unique<PosixSerialBackend>(nullptr, std::move(system));
    }
    bool Open(bool abortOnError = true) { return OpenLikeTheLine(*backend, 9600, abortOnError); }

    FakePosixSystem* sys;  // owned by backend
    std::unique_ptr<PosixSerialBackend> backend;
};

// ---- reads

struct ReadCase {
    const char* name;
    Script script;
    std::size_t request;
    bool ok;
    std::size_t count;
    std::int64_t endsAtMs;

    friend void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptedRead : public testing::TestWithParam<ReadCase> {};

TEST_P(ScriptedRead, EndsWhenTheRulesSay) {
    ScriptedBackend s;
    ASSERT_TRUE(s.Open());
    GetParam().script(*s.sys);
    Bytes buffer(GetParam().request);
    const ReadResult r = s.backend->Read(buffer);
    EXPECT_EQ(r.ok, GetParam().ok);
    EXPECT_EQ(r.count, GetParam().count);
    EXPECT_EQ(s.sys->NowMs(), GetParam().endsAtMs);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptedRead,
    testing::Values(ReadCase{"Silence", [](FakePosixSystem&) {}, 6, true, 0, 512},
                    ReadCase{"GapBelowTheIntervalKeepsReading",
                             [](FakePosixSystem& f) {
                                 f.Arrive(30, Bytes(9, 0x41));
                                 f.Arrive(129, Bytes(8, 0x42));
                             },
                             255, true, 17, 229},
                    ReadCase{"IntervalAfterTheLastByteEndsIt",
                             [](FakePosixSystem& f) {
                                 f.Arrive(30, Bytes(9, 0x41));
                                 f.Arrive(131, Bytes(8, 0x42));
                             },
                             255, true, 9, 130},
                    ReadCase{"RequestedCountEndsItAtOnce",
                             [](FakePosixSystem& f) { f.Arrive(50, Bytes(9, 0x41)); }, 6, true, 6, 50},
                    ReadCase{"TotalTimeOutEndsATrickle",
                             [](FakePosixSystem& f) {
                                 for (int ms = 0; ms <= 1000; ms += 50) {
                                     f.Arrive(ms, {0x41});
                                 }
                             },
                             255, true, 21, 1010},
                    // Each poll's time-out is recomputed from the deadline: interrupted waits neither end the
                    // read early nor push its end back.
                    ReadCase{"SignalsNeitherShortenNorStretchIt",
                             [](FakePosixSystem& f) {
                                 f.signalsAtMs = {100, 200, 300, 511};
                             },
                             6, true, 0, 512},
                    ReadCase{"SignalBetweenTwoParts",
                             [](FakePosixSystem& f) {
                                 f.Arrive(10, Bytes(3, 0x41));
                                 f.signalsAtMs = {50};
                                 f.Arrive(60, Bytes(3, 0x42));
                             },
                             6, true, 6, 60},
                    ReadCase{"SpuriousWakeUpsAreRetried",
                             [](FakePosixSystem& f) {
                                 f.Arrive(10, Bytes(6, 0x41));
                                 f.readErrors = {EAGAIN, EINTR};
                             },
                             6, true, 6, 10},
                    ReadCase{"IoErrorFailsAtOnce",
                             [](FakePosixSystem& f) {
                                 f.Arrive(10, Bytes(2, 0x41));
                                 f.readErrors = {EIO};
                             },
                             17, false, 0, 10},
                    ReadCase{"HangUpMidAnswerFailsAtOnce",
                             [](FakePosixSystem& f) {
                                 f.Arrive(10, Bytes(2, 0x41));
                                 f.hangupAtMs = 60;
                             },
                             255, false, 2, 60},
                    ReadCase{"HangUpBeforeTheReadFailsIt", [](FakePosixSystem& f) { f.hangupAtMs = 0; }, 17,
                             false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// The arrival times of the first and the last byte, after the read began, for the line monitor.
TEST(ScriptedReadTimes, FirstAndLastByteAfterTheStart) {
    ScriptedBackend s;
    ASSERT_TRUE(s.Open());
    const std::int64_t start = s.sys->NowMs();
    s.sys->Arrive(start + 30, Bytes(9, 0x41));
    s.sys->Arrive(start + 129, Bytes(8, 0x42));
    Bytes buffer(255);
    const ReadResult r = s.backend->Read(buffer);
    EXPECT_EQ(r.count, 17u);
    EXPECT_EQ(r.firstByteUs, 30'000);
    EXPECT_EQ(r.lastByteUs, 129'000);
    const ReadResult silent = s.backend->Read(buffer);
    EXPECT_EQ(silent.count, 0u);
    EXPECT_EQ(silent.firstByteUs, -1);
    EXPECT_EQ(silent.lastByteUs, -1);
}

// ---- writes: 11 bytes at 9600 bit/s spend 12.6 ms on the wire

struct WriteCase {
    const char* name;
    Script script;
    bool ok;
    std::int64_t fromMs;  // the write returns within [fromMs, toMs] of the fake clock
    std::int64_t toMs;

    friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptedWrite : public testing::TestWithParam<WriteCase> {};

TEST_P(ScriptedWrite, ReturnsWhenTheBytesLeftOrFails) {
    ScriptedBackend s;
    ASSERT_TRUE(s.Open());
    GetParam().script(*s.sys);
    const Bytes request = {0x68, 0x05, 0x05, 0x68, 0x01, 0x00, 0x6C, 0x01, 0x00, 0x6E, 0x16};
    EXPECT_EQ(s.backend->Write(request), GetParam().ok);
    EXPECT_GE(s.sys->NowMs(), GetParam().fromMs);
    EXPECT_LE(s.sys->NowMs(), GetParam().toMs);
    if (GetParam().ok) {
        EXPECT_EQ(s.sys->written, request);
    }
}

constexpr std::int64_t kNever = FakePosixSystem::kNever;

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptedWrite,
    testing::Values(
        WriteCase{"PartialWritesAreCompleted", [](FakePosixSystem& f) { f.writeLimit = 3; }, true, 0, 0},
        WriteCase{"InterruptedAndFullWaitForRoom",
                  [](FakePosixSystem& f) {
                      f.writeErrors = {EINTR};
                      f.writableAtMs = 40;
                  },
                  true, 40, 40},
        WriteCase{"IoErrorFails", [](FakePosixSystem& f) { f.writeErrors = {EIO}; }, false, 0, 0},
        // Twice the wire time plus 500 ms for the driver to take the bytes.
        WriteCase{"NoRoomEverFailsAtItsBound", [](FakePosixSystem& f) { f.writableAtMs = kNever; }, false,
                  525, 527},
        WriteCase{"HangUpWhileWaitingForRoomFails",
                  [](FakePosixSystem& f) {
                      f.writableAtMs = kNever;
                      f.hangupAtMs = 100;
                  },
                  false, 100, 100},
        WriteCase{"WaitsForTheQueueToDrain", [](FakePosixSystem& f) { f.drainMs = 30; }, true, 30, 43},
        // Twice the wire time plus 100 ms; then the bytes count as gone.
        WriteCase{"QueueThatNeverDrainsEndsAtItsBound", [](FakePosixSystem& f) { f.drainMs = kNever; }, true,
                  125, 127},
        WriteCase{"HangUpWhileDrainingFails",
                  [](FakePosixSystem& f) {
                      f.drainMs = kNever;
                      f.hangupAtMs = 50;
                  },
                  false, 50, 50}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptedWriteCalls, PartialWritesContinueWhereTheLastStopped) {
    ScriptedBackend s;
    ASSERT_TRUE(s.Open());
    s.sys->writeLimit = 4;
    s.sys->writeErrors = {EAGAIN};
    const Bytes data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_TRUE(s.backend->Write(data));
    EXPECT_EQ(s.sys->written, data);
    EXPECT_EQ(s.sys->writeCalls, 4u);
}

// ---- line errors the driver counts

#ifdef __linux__
class DriverCounts : public testing::TestWithParam<DriverCounter> {};

TEST_P(DriverCounts, AnErrorDuringAReadFailsItAndAllElseUntilReopened) {
    ScriptedBackend s;
    ASSERT_TRUE(s.Open());
    s.sys->Arrive(10, Bytes(3, 0x41));
    s.sys->CountError(20, GetParam());
    s.sys->Arrive(30, Bytes(3, 0x42));
    Bytes buffer(6);
    EXPECT_FALSE(s.backend->Read(buffer).ok);
    EXPECT_EQ(s.sys->NowMs(), 30);
    EXPECT_TRUE(s.backend->HasLineError());

    s.sys->Arrive(s.sys->NowMs(), {0x16});
    EXPECT_FALSE(s.backend->Read(buffer).ok);
    EXPECT_FALSE(s.backend->Write(Bytes{0x10}));

    s.backend->ClosePort();
    ASSERT_TRUE(s.Open());
    EXPECT_TRUE(s.backend->Write(Bytes{0x10}));
    s.sys->Arrive(s.sys->NowMs(), Bytes(6, 0x43));
    EXPECT_TRUE(s.backend->Read(buffer).ok);
}

INSTANTIATE_TEST_SUITE_P(Counters, DriverCounts,
                         testing::Values(DriverCounter::Overrun, DriverCounter::BufferOverrun,
                                         DriverCounter::Parity, DriverCounter::Frame, DriverCounter::Break));

TEST(DriverCountsBetweenExchanges, AnErrorWhileIdleFailsTheNextWrite) {
    ScriptedBackend s;
    ASSERT_TRUE(s.Open());
    s.sys->CountError(0, DriverCounter::Overrun);
    EXPECT_FALSE(s.backend->Write(Bytes{0x10}));
    EXPECT_TRUE(s.sys->written.empty());
}

TEST(DriverCountsBetweenExchanges, ErrorsBeforeTheConfigurationOrWithoutAbortOnErrorAreNotCharged) {
    ScriptedBackend s;
    ASSERT_TRUE(s.backend->OpenPort(1));
    s.sys->CountError(0, DriverCounter::Frame);  // noise at the system's old rate
    LineConfig config;
    ASSERT_TRUE(s.backend->GetConfig(config));
    config.baudRate = 9600;
    config.abortOnError = true;
    ASSERT_TRUE(s.backend->SetConfig(config));
    EXPECT_TRUE(s.backend->Write(Bytes{0x10}));

    ScriptedBackend lenient;
    ASSERT_TRUE(lenient.Open(false));
    lenient.sys->CountError(0, DriverCounter::Overrun);
    EXPECT_TRUE(lenient.backend->Write(Bytes{0x10}));
    Bytes buffer(1);
    lenient.sys->Arrive(0, {0x16});
    EXPECT_TRUE(lenient.backend->Read(buffer).ok);
}

TEST(DriverCountsBetweenExchanges, WithoutCountersTheMarksStillFailARead) {
    ScriptedBackend s;
    s.sys->countersSupported = false;
    ASSERT_TRUE(s.Open());
    s.sys->CountError(0, DriverCounter::Overrun);  // unseen: the driver keeps no counters
    Bytes buffer(3);
    s.sys->Arrive(0, {0x68, 0xFF, 0xFF, 0x16});
    const ReadResult clean = s.backend->Read(buffer);
    EXPECT_TRUE(clean.ok);
    EXPECT_EQ(buffer, (Bytes{0x68, 0xFF, 0x16}));
    s.sys->Arrive(0, {0x68, 0xFF, 0x00, 0x41, 0x16});
    EXPECT_FALSE(s.backend->Read(buffer).ok);
}
#endif

TEST(MarkedRead, AReadEndingInAnErrorMarkDiscardsNullBytesToo) {
    ScriptedBackend s;
    ASSERT_TRUE(s.backend->OpenPort(1));
    LineConfig config;
    ASSERT_TRUE(s.backend->GetConfig(config));
    config.baudRate = 9600;
    config.parityCheck = true;
    config.abortOnError = true;
    config.discardNull = true;
    ASSERT_TRUE(s.backend->SetConfig(config));
    s.sys->Arrive(0, {0x00, 0x41, 0xFF, 0x00, 0x42, 0x00});
    Bytes buffer(6, 0xEE);
    const ReadResult r = s.backend->Read(buffer);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(r.count)),
              (Bytes{0x41, 0x42}));
}

// ---- opening and configuring

struct OpenCase {
    const char* name;
    Script script;
    bool opens;
    std::vector<std::string> calls;
    const char* failure = "";  // OpenFailureDetail

    friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.name; }
};

class ScriptedOpen : public testing::TestWithParam<OpenCase> {};

TEST_P(ScriptedOpen, TakesTheStepsInOrderAndUndoesThemOnFailure) {
    ScriptedBackend s;
    GetParam().script(*s.sys);
    EXPECT_EQ(s.backend->OpenPort(1), GetParam().opens);
    EXPECT_EQ(s.sys->calls, GetParam().calls);
    EXPECT_EQ(s.backend->OpenFailureDetail(), GetParam().failure);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScriptedOpen,
    testing::Values(OpenCase{"Opens", [](FakePosixSystem&) {}, true, {"open /dev/ttyS0", "lock", "TIOCEXCL"}},
                    OpenCase{"NotATerminal",
                             [](FakePosixSystem& f) { f.notTerminal = true; },
                             false,
                             {"open /dev/ttyS0", "close"},
                             "/dev/ttyS0: not a terminal"},
                    // Another program's port is never left in exclusive mode by a failed open.
                    OpenCase{"LockedElsewhere",
                             [](FakePosixSystem& f) { f.lockTaken = true; },
                             false,
                             {"open /dev/ttyS0", "lock", "close"},
                             "/dev/ttyS0: busy, another program has it open"},
                    OpenCase{"ExclusiveModeRefused",
                             [](FakePosixSystem& f) { f.exclusiveFails = true; },
                             false,
                             {"open /dev/ttyS0", "lock", "TIOCEXCL", "unlock", "close"},
                             "/dev/ttyS0: busy, another program has it open"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ScriptedConfig, RawEightEvenOneWithoutFlowControlWhateverTheSystemLeft) {
    ScriptedBackend s;
    termios& t = s.sys->attributes;
    t.c_iflag = IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | IGNPAR | BRKINT | IGNBRK;
    t.c_oflag = OPOST;
    t.c_lflag = ICANON | ECHO | ECHONL | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARODD | CSTOPB;
#ifdef IUCLC
    t.c_iflag |= IUCLC;
#endif
#ifdef CMSPAR
    t.c_cflag |= CMSPAR;  // with PARENB it would make "even" parity a space parity
#endif
#ifdef CRTSCTS
    t.c_cflag |= CRTSCTS;
#endif
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    ASSERT_TRUE(OpenLikeTheLine(*s.backend, 56000));

    EXPECT_EQ(t.c_iflag, static_cast<tcflag_t>(INPCK | PARMRK));
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
    tcflag_t format = CSIZE | PARENB | PARODD | CSTOPB | CREAD | CLOCAL;
#ifdef CMSPAR
    format |= CMSPAR;
#endif
#ifdef CRTSCTS
    format |= CRTSCTS;
#endif
    EXPECT_EQ(t.c_cflag & format, static_cast<tcflag_t>(CS8 | PARENB | CREAD | CLOCAL));
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
#ifdef ZT30_HAVE_TERMIOS2
    EXPECT_EQ(s.sys->exactRate, 56000u);
#endif
}

}  // namespace
}  // namespace zt30::test
