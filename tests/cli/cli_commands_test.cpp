// The commands of zt30ctl over the in-memory line with a scripted instrument and a fake clock: what they
// send, what they print, and their exit status when the instrument answers, refuses or stays silent.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <streambuf>

#include "cli/cli_args.h"
#include "cli/commands.h"
#include "cli/line_check.h"
#include "support/link_fixture.h"

namespace zt30::cli {
namespace {

using test::Bytes;
using test::DataAnswer;
using test::Hex;
using test::ToHex;

Bytes Ack(std::uint8_t from) {
    return {0x10, 0x00, from, 0x00, from, 0x16};
}

class CommandsTest : public ::testing::Test {
protected:
    test::LinkFixture fixture;
    std::ostringstream out;
    std::ostringstream err;
    CommandContext context{*fixture.device, fixture.clock, out, err};

    std::string WrittenHex(std::size_t i) const { return ToHex(fixture.fake->writes.at(i)); }

    std::string TempPath(const char* name) {
        const std::string path = ::testing::TempDir() + "/zt30ctl-" + std::to_string(getpid()) + "-" + name;
        std::remove(path.c_str());
        return path;
    }
    static std::string FileText(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

// 12.5 and 100.0, as the instrument's example answer.
const Bytes kTable0 = Hex("68 0B 0B 68 00 01 08 00 00 48 41 00 00 C8 42 9C 16");

TEST_F(CommandsTest, ReadPrintsValueAndSum) {
    fixture.answers = {kTable0};
    EXPECT_EQ(RunRead(context), kExitOk);
    EXPECT_EQ(out.str(), "value 12.500\nsum   100.000\n");
    EXPECT_EQ(WrittenHex(0), "68 05 05 68 01 00 6C 01 00 6E 16");
}

TEST_F(CommandsTest, ReadWithoutAnswerFailsWithTheProgramsText) {
    EXPECT_EQ(RunRead(context), kExitFailure);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "Chyba při čtení\n");
}

TEST_F(CommandsTest, WatchTakesOneReadingASecondAndAppendsRecordLinesAcrossAFolderOutage) {
    const std::string folder = TempPath("folder");
    const std::string path = folder + "/watch.txt";
    mkdir(folder.c_str(), 0700);
    {
        std::ofstream before(path, std::ios::binary);
        before << "earlier\r\n";
    }
    fixture.answers = {kTable0, kTable0, kTable0};
    WatchSettings settings;
    settings.count = 3;
    settings.recordFile = path;
    settings.regional.decimalSeparator = ',';
    settings.regional.shortDateFormat = "yyyy-MM-dd";
    settings.regional.longTimeFormat = "HH:mm:ss";
    int second = 0;
    settings.localTime = [&] {
        // The folder is gone for the second reading, whose line is kept and written before the third.
        std::rename((second == 1 ? folder : folder + "-gone").c_str(),
                    (second == 1 ? folder + "-gone" : folder).c_str());
        return LocalDateTime{2024, 1, 2, 2, 10, 0, second++, 0};
    };
    const std::int64_t start = fixture.clock.NowMs();
    EXPECT_EQ(RunWatch(context, settings), kExitFailure);
    EXPECT_EQ(err.str(), "Nemůže otevřít výstupní soubor " + path + "\n");
    // Three readings at 0, 1000 and 2000 ms: the last one starts two seconds after the first.
    EXPECT_GE(fixture.clock.NowMs() - start, 2000);
    EXPECT_LT(fixture.clock.NowMs() - start, 3000);
    EXPECT_EQ(fixture.WriteCount(), 3u);
    EXPECT_EQ(out.str(),
              "12,500; 100,000; 2024-01-02; 10:00:00; \n"
              "12,500; 100,000; 2024-01-02; 10:00:01; \n"
              "12,500; 100,000; 2024-01-02; 10:00:02; \n");
    EXPECT_EQ(FileText(path),
              "earlier\r\n"
              "12,500; 100,000; 2024-01-02; 10:00:00; \r\n"
              "12,500; 100,000; 2024-01-02; 10:00:01; \r\n"
              "12,500; 100,000; 2024-01-02; 10:00:02; \r\n");
    std::remove(path.c_str());
    rmdir(folder.c_str());
}

TEST_F(CommandsTest, WatchReportsAFailedReadingRecordsNothingForItAndGoesOn) {
    const std::string path = TempPath("gap.txt");
    fixture.answers = {kTable0, {}, kTable0};
    WatchSettings settings;
    settings.count = 3;
    settings.recordFile = path;
    EXPECT_EQ(RunWatch(context, settings), kExitFailure);
    EXPECT_EQ(fixture.WriteCount(), 3u);
    EXPECT_NE(err.str().find("Chyba při čtení"), std::string::npos);
    const std::string text = FileText(path);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    std::remove(path.c_str());
}

TEST_F(CommandsTest, WatchStopsWhenAsked) {
    fixture.answers = {kTable0, kTable0, kTable0};
    WatchSettings settings;
    int readings = 0;
    settings.localTime = [&readings] {
        ++readings;
        return LocalDateTime{};
    };
    settings.stopRequested = [&readings] { return readings >= 2; };
    EXPECT_EQ(RunWatch(context, settings), kExitOk);
    EXPECT_EQ(fixture.WriteCount(), 2u);
}

TEST_F(CommandsTest, WatchWithARecordFileThatCannotBeOpenedSendsNothing) {
    WatchSettings settings;
    settings.count = 1;
    settings.recordFile = ::testing::TempDir();  // a folder
    EXPECT_EQ(RunWatch(context, settings), kExitFailure);
    EXPECT_EQ(fixture.WriteCount(), 0u);
    EXPECT_EQ(err.str().rfind("Nemůže otevřít výstupní soubor", 0), 0u);
    // A FIFO without a reader would block the open: it is refused unopened.
    settings.recordFile = TempPath("fifo");
    ASSERT_EQ(mkfifo(settings.recordFile->c_str(), 0600), 0);
    EXPECT_EQ(RunWatch(context, settings), kExitFailure);
    EXPECT_EQ(fixture.WriteCount(), 0u);
    EXPECT_NE(err.str().find(*settings.recordFile + ": not a regular file\n"), std::string::npos);
    std::remove(settings.recordFile->c_str());
}

TEST_F(CommandsTest, ScanProbesTheRangeRestoresTheAddressAndListsWhoAnswered) {
    fixture.answers = {{}, {}, Ack(5), {}, Ack(7)};
    EXPECT_EQ(RunScan(context, 3, 7), kExitOk);
    EXPECT_EQ(out.str(), "5\n7\n");
    EXPECT_EQ(fixture.WriteCount(), 5u);
    EXPECT_EQ(fixture.link->DestinationAddress(), 1);
}

TEST_F(CommandsTest, ScanWithoutAnyAnswerFails) {
    EXPECT_EQ(RunScan(context, 0, 1), kExitFailure);
    EXPECT_EQ(err.str(), "no station answered\n");
    EXPECT_EQ(fixture.link->DestinationAddress(), 1);
}

TEST_F(CommandsTest, StatusReportsTheAnswer) {
    fixture.answers = {Ack(1)};
    EXPECT_EQ(RunStatus(context), kExitOk);
    EXPECT_EQ(out.str(), "station 1 answered\n");
    EXPECT_EQ(RunStatus(context), kExitFailure);
    EXPECT_EQ(err.str(), "station 1 did not answer\n");
}

TEST_F(CommandsTest, SetReadsTheTableChangesOneValueAndWritesItBack) {
    // Table 2: SCALE 1.0, OFFSET 0.5.
    fixture.answers = {DataAnswer(Hex("00 00 80 3F 00 00 00 3F")), Ack(1)};
    const SetParse parsed = ParseSetRequest("SCALE", "2.5");
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(RunSet(context, *parsed.request), kExitOk);
    EXPECT_EQ(WrittenHex(0), "68 05 05 68 01 00 6C 01 02 70 16");
    EXPECT_EQ(WrittenHex(1), "68 0D 0D 68 01 00 63 02 02 00 00 20 40 00 00 00 3F 07 16");
    EXPECT_EQ(out.str(), "SCALE 2.500000\n");
}

TEST_F(CommandsTest, SetDoesNotWriteWhenTheReadFails) {
    const SetParse parsed = ParseSetRequest("FUNC", "1");
    ASSERT_TRUE(parsed.request);
    EXPECT_EQ(RunSet(context, *parsed.request), kExitFailure);
    EXPECT_EQ(fixture.WriteCount(), 1u);
    EXPECT_EQ(err.str(), "Chyba při čtení\n");
}

TEST_F(CommandsTest, ParamsReadsTablesOneToFour) {
    fixture.answers = {DataAnswer(Hex("03 02 01 21 10 27")), DataAnswer(Hex("00 00 80 3F 00 00 00 00")),
                       DataAnswer(Bytes(12, 0)), DataAnswer(Bytes(8, 0))};
    EXPECT_EQ(RunParams(context), kExitOk);
    EXPECT_EQ(fixture.WriteCount(), 4u);
    EXPECT_NE(out.str().find("FLOHOD (průtokoměr)"), std::string::npos);
    EXPECT_NE(out.str().find("FILTR         10000"), std::string::npos);
}

TEST_F(CommandsTest, ClearFailureIsReported) {
    fixture.answers = {Ack(1)};
    EXPECT_EQ(RunClear(context, true), kExitOk);
    EXPECT_EQ(WrittenHex(0), "68 06 06 68 01 00 63 02 07 5A C7 16");
    EXPECT_EQ(out.str(), "sum cleared\n");
    fixture.answers.push_back(Hex("10 00 01 02 03 16"));  // refused
    EXPECT_EQ(RunClear(context, false), kExitFailure);
    EXPECT_EQ(WrittenHex(1), "68 06 06 68 01 00 63 02 06 55 C1 16");
    EXPECT_EQ(err.str(), "Chyba při zápisu\n");
}

TEST_F(CommandsTest, IdentPrintsTypeAndVersion) {
    fixture.answers = {DataAnswer(Hex("5A 54 2D 33 30")), DataAnswer(Hex("76 32 00 FF"))};
    EXPECT_EQ(RunIdent(context), kExitOk);
    EXPECT_EQ(out.str(), "type    ZT-30\nversion v2\n");
}

TEST_F(CommandsTest, IdentShowsTheInstrumentsCzechLettersAndEscapesItsControlBytes) {
    // "Průtokoměr" and "verze 1.0" + ESC in the instrument's code page (Windows-1250).
    fixture.answers = {DataAnswer(Hex("50 72 F9 74 6F 6B 6F 6D EC 72")),
                       DataAnswer(Hex("76 65 72 7A 65 20 31 2E 30 1B"))};
    EXPECT_EQ(RunIdent(context), kExitOk);
    EXPECT_EQ(out.str(), "type    Průtokoměr\nversion verze 1.0\\x1B\n");
}

TEST_F(CommandsTest, IdentWithOnlyTheVersionKeepsTheUnidentifiedType) {
    // The identification gets no answer to either of its two sends.
    fixture.answers = {{}, {}, DataAnswer(Hex("76 32"))};
    EXPECT_EQ(RunIdent(context), kExitOk);
    EXPECT_EQ(out.str(), "type    Typ zařízení - neidentifikováno\nversion v2\n");
}

Bytes ForeignAnswer(const std::string& maker, const std::string& model, const std::string& version) {
    Bytes data{0x01};
    for (const std::string* field : {&maker, &model, &version}) {
        Bytes bytes(32, 0);
        std::copy_n(field->begin(), std::min<std::size_t>(field->size(), 32), bytes.begin());
        data.insert(data.end(), bytes.begin(), bytes.end());
    }
    return DataAnswer(data, 9);
}

TEST_F(CommandsTest, IdentOfAForeignDeviceShowsItsThreeTexts) {
    const std::string maker(32, 'M');
    const std::string model = "Model X" + std::string(25, '.');
    fixture.answers = {{}, {}, {}, {}, ForeignAnswer(maker, model, "v9\x1b")};
    EXPECT_EQ(RunIdent(context), kExitForeign);
    EXPECT_EQ(out.str(), "type    jiné zařízení\nversion v9\\x1B\n" + maker + "\n" + model + "\nv9\\x1B\n");
    EXPECT_EQ(err.str(), "Identifikováno zařízení pro které je nutné použít jiný software\n");
    EXPECT_EQ(WrittenHex(4), "68 04 04 68 01 00 6C 00 6D 16");
}

TEST_F(CommandsTest, IdentOfAForeignDeviceEndsEachTextAtItsOwnZero) {
    fixture.answers = {{}, {}, {}, {}, ForeignAnswer("short", "model", "version")};
    EXPECT_EQ(RunIdent(context), kExitForeign);
    EXPECT_EQ(out.str(), "type    jiné zařízení\nversion version\nshort\nmodel\nversion\n");
}

TEST_F(CommandsTest, IdentWithNoAnswerAtAllFails) {
    EXPECT_EQ(RunIdent(context), kExitFailure);
    EXPECT_EQ(err.str(), "Chyba při čtení\n");
}

TEST_F(CommandsTest, AddressWritesTheNewAddressToTheOldOneAndFollowsIt) {
    fixture.answers = {DataAnswer(Hex("01")), Ack(1), DataAnswer(Hex("05"), 5)};
    EXPECT_EQ(RunAddress(context, 5), kExitOk);
    EXPECT_EQ(WrittenHex(0), "68 05 05 68 01 00 6C 01 05 73 16");
    EXPECT_EQ(fixture.WriteCount(), 3u);
    EXPECT_EQ(out.str(), "address 1 -> 5\n");
}

TEST_F(CommandsTest, AddressFailures) {
    // No answer to the first read: nothing is written.
    EXPECT_EQ(RunAddress(context, 5), kExitFailure);
    EXPECT_EQ(fixture.WriteCount(), 1u);
    EXPECT_EQ(err.str(), "Chyba při čtení\n");
}

TEST(PortsCommand, PrintsTheMappingOfEveryPortAndReportsAnUnreadableEntry) {
    ConfiguredDevices devices;
    devices[2].path = "/dev/ttyUSB0";
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunPorts(devices, out, err), kExitOk);
    EXPECT_EQ(out.str(),
              "COM1  /dev/ttyS0\nCOM2  /dev/ttyS1\nCOM3  /dev/ttyUSB0\nCOM4  /dev/ttyS3\n"
              "COM5  /dev/ttyS4\nCOM6  /dev/ttyS5\nCOM7  /dev/ttyS6\nCOM8  /dev/ttyS7\n");
    EXPECT_EQ(err.str(), "");

    devices[1].error = "settings file f: COM2 in [DEVICES] is not valid UTF-8 text";
    out.str("");
    EXPECT_EQ(RunPorts(devices, out, err), kExitFailure);
    EXPECT_EQ(out.str().find("COM2"), std::string::npos);
    EXPECT_NE(out.str().find("COM3  /dev/ttyUSB0\n"), std::string::npos);
    EXPECT_EQ(err.str(), "zt30ctl: " + devices[1].error + "\n");
}

// A stream whose every write fails, as standard output on a full disk.
class FailingBuffer final : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

TEST_F(CommandsTest, WatchEndsWhenItsOutputCannotBeWritten) {
    FailingBuffer full;
    std::ostream fullOut(&full);
    CommandContext broken{*fixture.device, fixture.clock, fullOut, err};
    fixture.answers = {kTable0, kTable0, kTable0};
    WatchSettings settings;
    EXPECT_EQ(RunWatch(broken, settings), kExitFailure);
    EXPECT_EQ(fixture.WriteCount(), 1u);
    EXPECT_EQ(err.str(), std::string(kOutputFailed) + "\n");
}

// The commands as main() runs them: the line over the watching backend, with the check that reopens it.
class GoneLineTest : public ::testing::Test {
protected:
    GoneLineTest() {
        auto fakeBackend = std::make_unique<FakeSerialBackend>(clock);
        fake = fakeBackend.get();
        auto watchingBackend = std::make_unique<LineWatchingBackend>(std::move(fakeBackend));
        watching = watchingBackend.get();
        line = std::make_unique<SerialLine>(settings, std::move(watchingBackend));
        link = std::make_unique<TelegramLayer>(*line, clock);
        link->SetDestinationAddress(1);
        device = std::make_unique<DeviceOperations>(*link, image, ui);
        check = std::make_unique<LineCheck>(*line, *watching, 1);
        context = std::make_unique<CommandContext>(
            CommandContext{*device, clock, out, err, [this] { return check->Gone(); }});
        fake->onWrite = [this](std::span<const std::uint8_t>) {
            const std::size_t i = fake->writes.size() - 1;
            if (i < onWrites.size() && onWrites[i]) {
                onWrites[i]();
            }
        };
        line->Open(1);
    }

    // What the instrument or the system does on the i-th written request.
    std::vector<std::function<void()>> onWrites;
    std::function<void()> Answer(const Bytes& bytes) {
        return [this, bytes] { fake->Arrive(bytes, 2); };
    }
    // The device vanishes mid-answer: the read call fails and the port no longer opens.
    std::function<void()> Vanish() {
        return [this] {
            fake->Arrive(Hex("10 00"), 2);
            fake->failRead = true;
            fake->failOpen = true;
        };
    }
    long Opens() const { return std::count(fake->calls.begin(), fake->calls.end(), "open 1"); }

    FakeClock clock;
    PortSettings settings{1, 9600, 1, 0};
    FakeSerialBackend* fake = nullptr;
    LineWatchingBackend* watching = nullptr;
    std::unique_ptr<SerialLine> line;
    std::unique_ptr<TelegramLayer> link;
    DeviceImage image;
    test::UiRecorder ui;
    std::unique_ptr<DeviceOperations> device;
    std::unique_ptr<LineCheck> check;
    std::ostringstream out;
    std::ostringstream err;
    std::unique_ptr<CommandContext> context;
};

TEST_F(GoneLineTest, ScanEndsWithTheLinesErrorWhenTheDeviceVanishes) {
    onWrites = {Answer(Ack(3)), Vanish()};
    EXPECT_EQ(RunScan(*context, 3, 10), kExitFailure);
    EXPECT_EQ(out.str(), "3\n");
    EXPECT_EQ(err.str(), "Sériový port COM1 nelze otevřít\n");
    EXPECT_EQ(fake->writes.size(), 2u);
}

TEST_F(GoneLineTest, ScanGoesOnOverTheReopenedPortAfterAParityError) {
    // Without reopening, the line error would fail every later probe and hide station 5.
    onWrites = {[this] { fake->InjectLineError(); }, {}, Answer(Ack(5))};
    EXPECT_EQ(RunScan(*context, 3, 5), kExitOk);
    EXPECT_EQ(out.str(), "5\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(Opens(), 2);  // reopened once, after the failed read call only
}

TEST_F(GoneLineTest, WatchGoesOnAfterSilenceAndEndsWhenTheLineIsGone) {
    onWrites = {Answer(kTable0), {}, Answer(kTable0), Vanish()};
    WatchSettings watch;
    watch.count = 10;
    watch.localTime = [] { return LocalDateTime{2024, 1, 2, 2, 10, 0, 0, 0}; };
    EXPECT_EQ(RunWatch(*context, watch), kExitFailure);
    EXPECT_EQ(fake->writes.size(), 4u);
    const std::string lines = out.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 2);
    EXPECT_EQ(err.str(), "Chyba při čtení 10:00:00\nSériový port COM1 nelze otevřít\n");
    EXPECT_EQ(Opens(), 2);  // the silent reading did not reopen the port
}

TEST_F(GoneLineTest, AFailedWriteAlsoCountsAndAConfigurationFailureIsTheError) {
    fake->failWrite = true;
    fake->failSetConfig = true;
    EXPECT_EQ(RunScan(*context, 0, 0), kExitFailure);
    EXPECT_EQ(err.str(), "Nepodařila se reinicializace portu COM1\n");
}

}  // namespace
}  // namespace zt30::cli
