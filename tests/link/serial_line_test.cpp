// The serial line's logic over the in-memory port: the order of the open steps, the line configuration it
// writes, the clean-up and Czech message of every failure, the purge before each write, and the sticky line
// error.
#include "link/serial_line.h"

#include <gtest/gtest.h>

#include "support/fake_serial_backend.h"
#include "support/link_fixture.h"

namespace zt30::test {
namespace {

class SerialLineTest : public testing::Test {
protected:
    SerialLineTest() {
        auto backend = std::make_unique<FakeSerialBackend>(clock);
        fake = backend.get();
        line = std::make_unique<SerialLine>(settings, std::move(backend));
        line->SetPortResetHandler([this] { ++resets; });
    }

    FakeClock clock;
    PortSettings settings{3, 19200, 1, 0};
    FakeSerialBackend* fake;
    std::unique_ptr<SerialLine> line;
    int resets = 0;
};

TEST_F(SerialLineTest, OpenConfiguresTheLineInOrder) {
    fake->systemConfig = {4800, 7, Parity::None, 2, false, false, true, false};
    ASSERT_TRUE(line->Open(3));
    EXPECT_TRUE(line->IsOpen());
    EXPECT_EQ(fake->calls,
              (std::vector<std::string>{"open 3", "queues 256 256", "timeouts 100 2 500", "getconfig",
                                        "setconfig 19200", "purge tx", "purge rx"}));
    EXPECT_EQ(fake->systemConfig, (LineConfig{19200, 8, Parity::Even, 1, true, true, false, true}));
    EXPECT_EQ(fake->timeouts, kLineReadTimeouts);
    EXPECT_EQ(resets, 0);
}

TEST_F(SerialLineTest, OpenOfPortZeroNamesComZero) {
    fake->failOpen = true;
    EXPECT_FALSE(line->Open(0));
    EXPECT_STREQ(line->OpenFailure().what(), "Sériový port COM0 nelze otevřít");
}

struct StepFailure {
    const char* name;
    bool FakeSerialBackend::*knob;
    const char* message;

    friend void PrintTo(const StepFailure& c, std::ostream* os) { *os << c.name; }
};

// The stored selection is COM3 while COM4 is opened: every message of that open names COM4.
class OpenStepFailure : public SerialLineTest, public testing::WithParamInterface<StepFailure> {};

TEST_P(OpenStepFailure, ClosesTheLineDropsTheSelectionAndRaisesItsMessage) {
    fake->*(GetParam().knob) = true;
    try {
        if (!line->Open(4)) {
            throw line->OpenFailure();
        }
        FAIL() << "no error raised";
    } catch (const SerialLineError& e) {
        EXPECT_STREQ(e.what(), GetParam().message);
    }
    EXPECT_FALSE(line->IsOpen());
    EXPECT_FALSE(fake->isOpen);
    EXPECT_EQ(settings.portNumber, 0);
    EXPECT_EQ(resets, 1);
}

INSTANTIATE_TEST_SUITE_P(Steps, OpenStepFailure,
                         testing::Values(StepFailure{"open", &FakeSerialBackend::failOpen,
                                                     "Sériový port COM4 nelze otevřít"},
                                         StepFailure{"queues", &FakeSerialBackend::failQueues,
                                                     "Na COM4 nelze otevřít vyrovnávací buffer"},
                                         StepFailure{"timeouts", &FakeSerialBackend::failTimeouts,
                                                     "Na COM4 nelze nastavit Timeout"},
                                         StepFailure{"getconfig", &FakeSerialBackend::failGetConfig,
                                                     "Nelze získat konfiguraci na sériovém portu COM4"},
                                         StepFailure{"setconfig", &FakeSerialBackend::failSetConfig,
                                                     "Nepodařila se reinicializace portu COM4"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SerialLineTest, ReinitialisationNamesTheOpenPortNotALaterSelection) {
    ASSERT_TRUE(line->Open(4));
    settings.portNumber = 5;  // chosen in the list, not yet opened
    fake->failSetConfig = true;
    try {
        line->ApplySettings();
        FAIL() << "no error raised";
    } catch (const SerialLineError& e) {
        EXPECT_STREQ(e.what(), "Nepodařila se reinicializace portu COM4");
    }
}

TEST_F(SerialLineTest, NewSpeedTakesEffectWithoutReopening) {
    ASSERT_TRUE(line->Open(3));
    settings.baudRate = 256000;
    line->ApplySettings();
    EXPECT_EQ(fake->systemConfig.baudRate, 256000u);
    EXPECT_EQ(std::count(fake->calls.begin(), fake->calls.end(), "open 3"), 1);
}

TEST_F(SerialLineTest, ApplySettingsOnAClosedLineFailsWithTheReinitialisationMessage) {
    EXPECT_THROW(
        {
            try {
                line->ApplySettings();
            } catch (const SerialLineError& e) {
                EXPECT_STREQ(e.what(), "Nepodařila se reinicializace portu COM3");
                throw;
            }
        },
        SerialLineError);
    EXPECT_EQ(settings.portNumber, 0);
}

TEST_F(SerialLineTest, StoredNegativeSpeedIsRefusedNotWrapped) {
    ASSERT_TRUE(line->Open(3));
    settings.baudRate = -9600;
    EXPECT_THROW(line->ApplySettings(), SerialLineError);
    EXPECT_FALSE(line->IsOpen());
}

TEST_F(SerialLineTest, EveryWritePurgesReceiveThenTransmitFirst) {
    ASSERT_TRUE(line->Open(3));
    fake->calls.clear();
    const std::uint8_t request[] = {1, 2, 3};
    EXPECT_TRUE(line->Write(request));
    EXPECT_EQ(fake->calls, (std::vector<std::string>{"purge rx", "purge tx", "write 3"}));
}

TEST_F(SerialLineTest, LateAnswerIsNeverTakenForTheNextOne) {
    ASSERT_TRUE(line->Open(3));
    std::uint8_t buffer[6];
    fake->Arrive({0x10, 0x00, 0x01, 0x00, 0x01, 0x16}, 600);  // after the first read has given up
    EXPECT_EQ(line->Read(buffer).count, 0u);
    clock.Advance(100);
    const std::uint8_t request[] = {0x10, 0x01, 0x00, 0x69, 0x6A, 0x16};
    ASSERT_TRUE(line->Write(request));
    const ReadResult r = line->Read(buffer);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 0u);
}

TEST_F(SerialLineTest, ReadAndWriteFailOnAClosedLine) {
    std::uint8_t buffer[4];
    EXPECT_FALSE(line->Read(buffer).ok);
    EXPECT_FALSE(line->Write(buffer));
    line->Close();  // no effect
    EXPECT_TRUE(std::find(fake->calls.begin(), fake->calls.end(), "close") == fake->calls.end());
}

TEST_F(SerialLineTest, LineErrorLastsUntilTheLineIsOpenedAgain) {
    ASSERT_TRUE(line->Open(3));
    std::uint8_t buffer[6];
    fake->InjectLineError();
    EXPECT_FALSE(line->Read(buffer).ok);
    EXPECT_FALSE(line->Write(buffer));
    EXPECT_FALSE(line->Read(buffer).ok);
    line->Close();
    ASSERT_TRUE(line->Open(3));
    EXPECT_TRUE(line->Write(buffer));
    EXPECT_TRUE(line->Read(buffer).ok);
}

TEST_F(SerialLineTest, OpeningAnOpenLineReleasesTheOldHandleFirst) {
    ASSERT_TRUE(line->Open(3));
    ASSERT_TRUE(line->Open(4));
    EXPECT_EQ(fake->calls[7], "close");
    EXPECT_EQ(fake->calls[8], "open 4");
}

// The time-out rules as the transaction patterns rely on them.
TEST_F(SerialLineTest, ReadTimeOuts) {
    ASSERT_TRUE(line->Open(3));
    std::uint8_t buffer[255];

    auto start = clock.NowMs();
    ReadResult r = line->Read(std::span(buffer, 6));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.count, 0u);
    EXPECT_EQ(clock.NowMs() - start, 512);

    start = clock.NowMs();
    fake->Arrive(std::vector<std::uint8_t>(17, 0xAA), 10, 1);
    r = line->Read(buffer);
    EXPECT_EQ(r.count, 17u);
    EXPECT_EQ(clock.NowMs() - start, 10 + 16 + 100);

    start = clock.NowMs();
    fake->Arrive(std::vector<std::uint8_t>(17, 0xAA), 10, 1);
    r = line->Read(std::span(buffer, 17));
    EXPECT_EQ(r.count, 17u);
    EXPECT_EQ(clock.NowMs() - start, 10 + 16);
}

}  // namespace
}  // namespace zt30::test
