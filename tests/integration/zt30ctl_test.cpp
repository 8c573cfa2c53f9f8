// zt30ctl end to end against the simulator: each command's output, what it changed in the instrument, its
// exit status and its one-line errors.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/sim_process.h"

namespace zt30::test {
namespace {

class Zt30ctl : public ::testing::Test {
protected:
    // Starts a simulator with the arguments; its device is passed to every later run.
    void StartSim(std::vector<std::string> args) {
        sim_ = std::make_unique<SimProcess>(ZT30_SIM_PATH, std::move(args));
        ASSERT_FALSE(sim_->SlavePath().empty());
    }

    ProgramRun Run(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
        if (sim_) {
            args.insert(args.begin(), {"--device", sim_->SlavePath()});
        }
        return RunProgram(ZT30CTL_PATH, args, env);
    }

    std::unique_ptr<SimProcess> sim_;
};

// A value of the "read" output ("value 12.500").
double Field(const std::string& out, const std::string& name) {
    std::istringstream lines(out);
    std::string key;
    double value = -1;
    while (lines >> key) {
        if (key == name) {
            lines >> value;
            return value;
        }
    }
    return -1;
}

TEST_F(Zt30ctl, ReadPrintsValueAndSum) {
    StartSim({"--stations", "1"});
    const ProgramRun run = Run({"read"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind("value ", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("\nsum   "), std::string::npos) << run.out;
}

TEST_F(Zt30ctl, SetChangesOneParameterThatParamsThenShows) {
    StartSim({"--stations", "1"});
    ProgramRun run = Run({"set", "SCALE", "2.5"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "SCALE 2.500000\n");
    run = Run({"set", "func", "flomin"});
    EXPECT_EQ(run.out, "FUNC FLOMIN (průtokoměr)\n") << run.err;
    run = Run({"set", "AOUT", "1"});
    EXPECT_EQ(run.exitCode, 0) << run.err;

    run = Run({"params"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("FUNC          FLOMIN (průtokoměr)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("SCALE         2.500000\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  AOUT        Analogový výstup: 4..   20 mA\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("CONFIG        0x"), std::string::npos);
}

TEST_F(Zt30ctl, ScanListsTheStationsInTheRange) {
    StartSim({"--stations", "1,5,10"});
    const ProgramRun run = Run({"scan", "--from", "4", "--to", "10"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "5\n10\n");
    // Five silent addresses cost their 512 ms each.
    EXPECT_GE(run.elapsedMs, 5 * 512);
}

TEST_F(Zt30ctl, IdentOfTheInstrumentAndOfAForeignDevice) {
    StartSim({"--stations", "1", "--foreign", "7"});
    ProgramRun run = Run({"ident"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.find("neidentifikováno"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.rfind("type    ", 0), 0u) << run.out;

    run = Run({"--da", "7", "ident"});
    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_EQ(run.out.rfind("type    jiné zařízení\nversion ", 0), 0u) << run.out;
    EXPECT_EQ(run.err, "Identifikováno zařízení pro které je nutné použít jiný software\n");
}

TEST_F(Zt30ctl, ClearSumStartsTheSumAgain) {
    // Function TOTAL with SCALE 1: the value is the pulse counter, the sum counts the same pulses until it is
    // cleared. Both come from one reading, so the comparison does not depend on how long anything took.
    StartSim({"--stations", "1", "--freq", "1000"});
    double before = 0;
    for (int i = 0; i < 20 && before <= 0; ++i) {
        before = Field(Run({"read"}).out, "sum");
    }
    ASSERT_GT(before, 0);
    const ProgramRun run = Run({"clear", "sum"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "sum cleared\n");
    const std::string out = Run({"read"}).out;
    const double value = Field(out, "value");
    const double sum = Field(out, "sum");
    EXPECT_GE(sum, 0) << out;
    EXPECT_GE(value - sum, before) << out << "the sum lacks the pulses counted before the clearing";
}

TEST_F(Zt30ctl, AddressMovesTheInstrument) {
    StartSim({"--stations", "1"});
    ProgramRun run = Run({"address", "5"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "address 1 -> 5\n");
    EXPECT_EQ(Run({"--da", "5", "status"}).exitCode, 0);
    run = Run({"status"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "station 1 did not answer\n");
}

TEST_F(Zt30ctl, WatchRecordsOneLinePerSecond) {
    StartSim({"--stations", "1"});
    const std::string path = ::testing::TempDir() + "/zt30ctl-watch-" + std::to_string(getpid()) + ".txt";
    std::remove(path.c_str());
    const ProgramRun run = Run({"watch", "--count", "3", "--record", path}, {"LC_ALL=C"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_GE(run.elapsedMs, 2000);
    std::ifstream file(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 3) << text;
    EXPECT_EQ(text.substr(text.size() - 4), "; \r\n");
    std::remove(path.c_str());
}

TEST_F(Zt30ctl, WatchEndsWithTheTrafficSummaryAndTracesEveryFrame) {
    StartSim({"--stations", "1", "--fault", "short@2"});
    const ProgramRun run = Run({"watch", "--count", "3", "--trace"}, {"LC_ALL=C"});
    EXPECT_EQ(run.exitCode, 1) << run.err;  // the short answer failed a reading
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 2) << run.out;
    const std::string& err = run.err;
    // Three requests, each answer, the short one named and purged after.
    const std::string request = " -> 68 05 05 68 01 00 6C 01 00 6E 16  SD2 1←0 read table 0  (sent)\n";
    std::size_t sent = 0;
    for (std::size_t at = err.find(request); at != std::string::npos; at = err.find(request, at + 1)) {
        ++sent;
    }
    EXPECT_EQ(sent, 3u) << err;
    EXPECT_NE(err.find("[incomplete: 16 of 17 bytes]  (too short, first byte "), std::string::npos) << err;
    EXPECT_NE(err.find("purge of both directions"), std::string::npos) << err;
    EXPECT_NE(err.find("traffic: 3 requests, 0 re-sends, 2 answers accepted, 1 failed (too short 1)\n"
                       "response time: min "),
              std::string::npos)
        << err;
}

TEST_F(Zt30ctl, StatsSummariseAScan) {
    StartSim({"--stations", "1,2"});
    const ProgramRun run = Run({"scan", "--from", "1", "--to", "3", "--stats"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "1\n2\n");
    EXPECT_EQ(run.err.rfind("traffic: 3 requests, 0 re-sends, 2 answers accepted, 1 failed (no answer 1)\n"
                            "response time: min ",
                            0),
              0u)
        << run.err;
    // Without the option nothing is summarised.
    EXPECT_EQ(Run({"scan", "--from", "1", "--to", "1"}).err, "");
}

TEST_F(Zt30ctl, PortNumbersMapThroughTheSettingsFile) {
    StartSim({"--stations", "1"});
    const std::filesystem::path folder =
        std::filesystem::path(::testing::TempDir()) / ("zt30ctl-xdg-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    {
        // Written by hand as the README shows, with what people add: a byte-order mark, comments, CR LF,
        // blanks around "=", another case.
        std::ofstream ini(folder / "OrvZT30.ini", std::ios::binary);
        ini << "\xEF\xBB\xBF# my ports\r\n[PORT]\r\nCOM=3\r\n\r\n[Devices]\r\n; the simulator\r\ncom3 = "
            << sim_->SlavePath() << "\r\nCOM4=\"/dev/my port\"\r\nCOM5=/dev/tty\xFFUSB0\r\n";
    }
    const std::string xdg = "XDG_CONFIG_HOME=" + folder.string();
    const std::string badEntry = "zt30ctl: settings file " + (folder / "OrvZT30.ini").string() +
                                 ": COM5 in [DEVICES] is not valid UTF-8 text\n";
    const ProgramRun ports = RunProgram(ZT30CTL_PATH, {"ports"}, {xdg});
    EXPECT_EQ(ports.exitCode, 1);
    EXPECT_NE(ports.out.find("COM1  /dev/ttyS0\n"), std::string::npos) << ports.out;
    EXPECT_NE(ports.out.find("COM3  " + sim_->SlavePath() + "\n"), std::string::npos) << ports.out;
    EXPECT_NE(ports.out.find("COM4  /dev/my port\n"), std::string::npos) << ports.out;
    EXPECT_EQ(ports.out.find("COM5"), std::string::npos) << ports.out;
    EXPECT_EQ(ports.err, badEntry);

    const ProgramRun read = RunProgram(ZT30CTL_PATH, {"--port", "3", "read"}, {xdg});
    EXPECT_EQ(read.exitCode, 0) << read.err;
    const ProgramRun bad = RunProgram(ZT30CTL_PATH, {"--port", "5", "read"}, {xdg});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err, badEntry);
    std::filesystem::remove_all(folder);
}

TEST_F(Zt30ctl, WatchEndsWithTheLinesErrorWhenTheDeviceHangsUp) {
    StartSim({"--stations", "1", "--fault", "hangup@2"});
    const ProgramRun run = Run({"watch", "--count", "10"}, {"LC_ALL=C"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1) << run.out;
    // The port's error names the device that went, and the summary follows it as in every other ending.
    EXPECT_EQ(run.err.rfind(
                  "Sériový port COM1 nelze otevřít: " + sim_->SlavePath() + ": no such device\ntraffic: ", 0),
              0u)
        << run.err;
}

TEST_F(Zt30ctl, ScanEndsWithTheLinesErrorWhenTheDeviceHangsUp) {
    StartSim({"--stations", "1,2,3", "--fault", "hangup@2"});
    const ProgramRun run = Run({"scan", "--from", "1", "--to", "3"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "1\n");
    EXPECT_EQ(run.err, "Sériový port COM1 nelze otevřít: " + sim_->SlavePath() + ": no such device\n");
}

TEST_F(Zt30ctl, OutputThatCannotBeWrittenIsAFailure) {
    StartSim({"--stations", "1"});
    const auto status = [](const std::string& arguments, const std::string& output) {
        const int raw =
            std::system((ZT30CTL_PATH + (" " + arguments) + " >" + output + " 2>/dev/null").c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    const std::string read = "--device " + sim_->SlavePath() + " read";
    EXPECT_EQ(status(read, "/dev/full"), 1);
    EXPECT_EQ(status("--help", "/dev/full"), 1);
    EXPECT_EQ(status(read, "/dev/null"), 0);
}

TEST_F(Zt30ctl, AnAmbiguousSwitchValueIsRefusedBeforeAnythingIsSent) {
    StartSim({"--stations", "1"});
    const ProgramRun run = Run({"set", "ALARM_OUT1", "Sepnutý"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err,
              "zt30ctl: set ALARM_OUT1: \"Sepnutý\" fits more than one item: 0 Sepnutý při překročení, 1 "
              "Sepnutý při nedosažení\n");
    EXPECT_TRUE(sim_->Requests().empty());
}

struct ErrorCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    const char* err;  // the whole of standard error
};

class Zt30ctlErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(Zt30ctlErrors, EndWithOneLineAndTheirExitStatus) {
    SimProcess sim(ZT30_SIM_PATH, {"--stations", "1"});
    std::vector<std::string> args = GetParam().args;
    for (std::string& arg : args) {
        if (arg == "SIM") {
            arg = sim.SlavePath();
        }
    }
    const ProgramRun run = RunProgram(ZT30CTL_PATH, args);
    EXPECT_EQ(run.exitCode, GetParam().exitCode);
    EXPECT_EQ(run.err, GetParam().err);
    EXPECT_EQ(run.out, "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Zt30ctlErrors,
    ::testing::Values(ErrorCase{"NoDevice",
                                {"--device", "/nonexistent/tty", "read"},
                                1,
                                "Sériový port COM1 nelze otevřít: /nonexistent/tty: no such device\n"},
                      ErrorCase{"NoDeviceNamesThePort",
                                {"--port", "3", "--device", "/nonexistent/tty", "status"},
                                1,
                                "Sériový port COM3 nelze otevřít: /nonexistent/tty: no such device\n"},
                      ErrorCase{"NoAnswer", {"--device", "SIM", "--da", "9", "read"}, 1, "Chyba při čtení\n"},
                      ErrorCase{"UnknownCommand", {"frobnicate"}, 2, "zt30ctl: unknown command frobnicate\n"},
                      ErrorCase{"BadAddressOption",
                                {"--device", "SIM", "--da", "127", "read"},
                                2,
                                "zt30ctl: option --da needs an address 0..126, not \"127\"\n"},
                      ErrorCase{"BroadcastAsNewAddress",
                                {"--device", "SIM", "address", "127"},
                                2,
                                "zt30ctl: address: \"127\" is not a bus address from 0 to 126\n"},
                      ErrorCase{"FiltrOutOfRange",
                                {"--device", "SIM", "set", "FILTR", "60000"},
                                2,
                                "zt30ctl: set FILTR: \"60000\" is not a number from 0 to 59999\n"},
                      ErrorCase{"UnknownParameter",
                                {"--device", "SIM", "set", "GAIN", "2"},
                                2,
                                "zt30ctl: set: unknown parameter \"GAIN\" (zt30ctl set --help)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Zt30ctlHelp, ForTheToolAndEachCommand) {
    ProgramRun run = RunProgram(ZT30CTL_PATH, {"--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.out.find("address NEW"), std::string::npos);
    run = RunProgram(ZT30CTL_PATH, {"read", "--help"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out.rfind("Usage: zt30ctl read", 0), 0u);
    run = RunProgram(ZT30CTL_PATH, {"frob", "--help"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "zt30ctl: unknown command frob\n");
}

}  // namespace
}  // namespace zt30::test
