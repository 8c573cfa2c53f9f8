// zt30ctl.exe, the Windows build of the command-line tool, against zt30-sim as COM1: each command's output,
// the requests that reached the instrument, the device names it takes, its one-line error naming the port,
// and the version resource of its file. Each run gets a simulator of its own (see SimOnComOne).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "config/program_version.h"
#include "line/sim_on_com_one.h"
#include "support/windows_program.h"

namespace zt30::test {
namespace {

ProgramOutput RunTool(const std::vector<std::string>& args) {
    return RunWindowsProgram(ZT30CTL_PATH, args);
}

struct CommandCase {
    const char* name;
    std::vector<std::string> args;
    const char* outputStart;  // the beginning of what the command prints
    const char* lastRequest;  // the last request on the wire, hexadecimal

    friend void PrintTo(const CommandCase& c, std::ostream* os) { *os << c.name; }
};

class Zt30ctlExe : public ::testing::TestWithParam<CommandCase> {};

TEST_P(Zt30ctlExe, RunsTheCommandOnComOne) {
    const CommandCase& c = GetParam();
    SimOnComOne sim({"--stations", "1"});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    const ProgramOutput run = RunTool(c.args);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out.rfind(c.outputStart, 0), 0u) << run.out;
    const std::vector<Bytes> requests = sim.WaitForRequests(1, 1000);
    ASSERT_FALSE(requests.empty()) << sim.Log();
    EXPECT_EQ(ToHex(requests.back()), c.lastRequest) << sim.Log();
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Zt30ctlExe,
    ::testing::Values(
        CommandCase{"Read", {"--port", "1", "read"}, "value ", "68 05 05 68 01 00 6C 01 00 6E 16"},
        CommandCase{
            "Params", {"params"}, "FUNC          TOTAL (čítač)\n", "68 05 05 68 01 00 6C 01 04 72 16"},
        CommandCase{"Ident", {"ident"}, "type    ", "68 04 04 68 01 00 6C 04 71 16"},
        CommandCase{"ClearSum", {"clear", "sum"}, "sum cleared\n", "68 06 06 68 01 00 63 02 07 5A C7 16"},
        CommandCase{"Address", {"address", "7"}, "address 1 -> 7\n", "68 05 05 68 07 00 6C 01 05 79 16"},
        CommandCase{
            "DeviceName", {"--device", "COM1", "status"}, "station 1 answered\n", "10 01 00 69 6A 16"},
        CommandCase{"DeviceNamespace",
                    {"--device", "\\\\.\\COM1", "status"},
                    "station 1 answered\n",
                    "10 01 00 69 6A 16"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Zt30ctlExeErrors, AnAbsentPortFailsWithOneLineNamingIt) {
    const ProgramOutput run = RunTool({"--port", "1", "read"});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.out, "");
    // Windows refuses the open ("Sériový port COM1 nelze otevřít"); Wine opens the mapped port without a
    // device and a later open step fails, with its own message naming the port.
    EXPECT_NE(run.err.find("COM1"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
}

TEST(Zt30ctlExeErrors, PortsListsTheWindowsDevices) {
    const ProgramOutput run = RunTool({"ports"});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out.rfind("COM1  \\\\.\\COM1\nCOM2  \\\\.\\COM2\n", 0), 0u) << run.out;
}

TEST(Zt30ctlExeFile, BackupReplacesAnOlderFileWholeAndRestoreReadsItBack) {
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "zt30ctl-exe-backup.ini";
    std::ofstream(file, std::ios::binary) << "an older file, longer than nothing";
    {
        SimOnComOne sim({"--stations", "1"});
        ASSERT_TRUE(sim.Started()) << sim.Log();
        const ProgramOutput run = RunTool({"backup", file.string()});
        EXPECT_EQ(run.exitCode, 0u) << run.err;
    }
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    in.close();
    EXPECT_EQ(text.rfind("; Parametry přístroje ZANTOR 30.", 0), 0u) << text;
    EXPECT_NE(text.find("\nFUNC = 0 ; TOTAL (čítač)\n"), std::string::npos) << text;

    // A terminal of its own for the restore: Wine cannot set even parity a second time on the same
    // pseudo-terminal (see LinePort.ARateChangeTakesEffectWithoutReopening), which a real port allows.
    SimOnComOne sim({"--stations", "1"});
    ASSERT_TRUE(sim.Started()) << sim.Log();
    const ProgramOutput run = RunTool({"restore", file.string()});
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    EXPECT_EQ(run.out, "the instrument already holds the values of " + file.string() + "; nothing written\n");
    std::filesystem::remove(file);
}

TEST(Zt30ctlExeFile, CarriesItsVersionResource) {
    const std::string path = WindowsPathOf(ZT30CTL_PATH);
    const std::wstring file(path.begin(), path.end());
    EXPECT_EQ(VersionResourceString(file, "FileVersion"), "2.0.0.0");
    EXPECT_EQ(VersionResourceString(file, "ProductName"), "ZT-30");
    EXPECT_EQ(VersionResourceString(file, "CompanyName"), "ORVIT");
    EXPECT_EQ(VersionResourceString(file, "OriginalFilename"), "zt30ctl.exe");
    EXPECT_EQ(VersionResourceString(file, "FileDescription"), "komunikace s ZANTOR 30 z příkazové řádky");
    EXPECT_EQ(VersionResourceFileVersion(file), (std::array<std::uint16_t, 4>{2, 0, 0, 0}));
}

}  // namespace
}  // namespace zt30::test
