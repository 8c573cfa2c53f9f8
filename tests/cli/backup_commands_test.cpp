// zt30ctl backup, restore and diff over the fake line against a scripted instrument: what they print, the
// file they leave, and their exit status when a table cannot be read, a write is lost or a file is refused.
#include "cli/backup_commands.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "support/fake_instrument.h"

namespace zt30::cli {
namespace {

class BackupCommandsTest : public ::testing::Test {
protected:
    BackupCommandsTest() {
        DeviceImage& t = io.instrument->tables;
        t.func = 1;
        t.dp = 2;
        t.factor = 1;
        t.config = 0x21;
        t.filtr = 10000;
        t.scale = 2.5f;
        t.offset = -0.25f;
        t.sp_lo = 1234.5678f;
        t.sp_hi = 0.1f;
        t.an_hi = 20.0f;
        io.instrument->identification = test::Bytes{'Z', 'T', ' ', '3', '0'};
        io.instrument->version = test::Bytes{'V', '1', 0xE8};  // "V1č" in the instrument's code page
        std::remove(path.c_str());
    }
    ~BackupCommandsTest() override { std::remove(path.c_str()); }

    std::string FileText() const {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }
    // Files beside the backup that carry its name: a temporary file left behind.
    int LeftBeside() const {
        const std::string name = std::filesystem::path(path).filename().string() + '.';
        int count = 0;
        for (const auto& entry :
             std::filesystem::directory_iterator(std::filesystem::path(path).parent_path())) {
            count += entry.path().filename().string().starts_with(name) ? 1 : 0;
        }
        return count;
    }
    void WriteFile(const std::string& text) const { std::ofstream(path, std::ios::binary) << text; }
    ParamFile Load() const {
        ParamFileLoad load = LoadParamFile(path);
        EXPECT_TRUE(load.file) << load.error;
        return load.file.value_or(ParamFile{});
    }
    void ClearOutput() {
        out.str("");
        err.str("");
    }

    test::FakeInstrumentLink io;
    std::ostringstream out;
    std::ostringstream err;
    CommandContext context{io.link->device, io.clock, out, err};
    const std::string path = ::testing::TempDir() + "/zt30ctl-backup-" + std::to_string(getpid()) + ".ini";
    const LocalDateTime now{2025, 1, 31, 5, 14, 5, 9, 0};
};

TEST_F(BackupCommandsTest, BackupChangeDiffRestoreDiff) {
    const DeviceImage original = io.instrument->tables;
    ASSERT_EQ(RunBackup(context, path, now), kExitOk) << err.str();
    EXPECT_EQ(out.str(), "saved the parameters of station 1 (ZT 30 V1č) to " + path + "\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_TRUE(io.instrument->writes.empty());
    const std::string text = FileText();
    EXPECT_NE(text.find("[ZANTOR30]\nDATUM = 2025-01-31 14:05:09\nTYP = ZT 30\nVERZE = V1č\nADRESA = 1\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nSP.LO = 1234.5677\n"), std::string::npos) << text;

    io.instrument->tables.scale = 1.0f;
    io.instrument->tables.config = 0x01;
    ClearOutput();
    EXPECT_EQ(RunDiff(context, path, Load()), kExitDiffers);
    EXPECT_EQ(out.str(), "instrument -> " + path +
                             ":\n"
                             "SCALE         1 -> 2.5\n"
                             "CONFIG        0x01 -> 0x21\n"
                             "  AOUT        0 0..   20 mA -> 1 4..   20 mA\n");
    EXPECT_TRUE(io.instrument->writes.empty());

    ClearOutput();
    EXPECT_EQ(RunRestore(context, path, Load(), true), kExitOk);
    EXPECT_NE(out.str().find("dry run: tables 1, 2 would be written\n"), std::string::npos) << out.str();
    EXPECT_TRUE(io.instrument->writes.empty());

    ClearOutput();
    EXPECT_EQ(RunRestore(context, path, Load(), false), kExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "SCALE         1 -> 2.5\n"
              "CONFIG        0x01 -> 0x21\n"
              "  AOUT        0 0..   20 mA -> 1 4..   20 mA\n"
              "written and read back: tables 1, 2\n");
    EXPECT_EQ(io.instrument->writes, (std::vector<int>{1, 2}));
    EXPECT_EQ(io.instrument->tables, original);

    ClearOutput();
    EXPECT_EQ(RunDiff(context, path, Load()), kExitOk);
    EXPECT_EQ(out.str(), "the instrument holds the values of " + path + "\n");
    ClearOutput();
    EXPECT_EQ(RunRestore(context, path, Load(), false), kExitOk);
    EXPECT_EQ(out.str(), "the instrument already holds the values of " + path + "; nothing written\n");
}

TEST_F(BackupCommandsTest, AFailedBackupLeavesTheOldFileAndValuesNoFileHoldsAreReported) {
    WriteFile("old");
    io.instrument->silentReads = {3};
    EXPECT_EQ(RunBackup(context, path, now), kExitFailure);
    EXPECT_EQ(err.str(), "Chyba při čtení (table 3); nothing saved\n");
    EXPECT_EQ(FileText(), "old");

    io.instrument->silentReads.clear();
    io.instrument->identification.reset();
    io.instrument->version.reset();
    io.instrument->tables.dp = 9;
    ClearOutput();
    EXPECT_EQ(RunBackup(context, path, now), kExitOk);
    EXPECT_EQ(out.str(), "saved the parameters of station 1 to " + path + "\n");
    EXPECT_EQ(err.str(), "DP 9 is outside its range and is kept in the file only as a comment\n");
    EXPECT_NE(FileText().find("\n; DP = 9 (mimo seznam, nezapíše se)\n"), std::string::npos);
    EXPECT_EQ(FileText().find("TYP ="), std::string::npos);
    EXPECT_EQ(LeftBeside(), 0);

    // The same silence from a line that died: the file is saved, the backup fails with the line's error.
    context.lineGone = [] { return std::optional<std::string>("Sériový port COM1 nelze otevřít"); };
    io.instrument->version = test::Bytes{'V', '2'};
    ClearOutput();
    EXPECT_EQ(RunBackup(context, path, now), kExitFailure);
    EXPECT_EQ(out.str(), "saved the parameters of station 1 (V2) to " + path + "\n");
    EXPECT_EQ(err.str().substr(err.str().find('\n') + 1),
              "the file is whole but lacks the instrument's type, as the line was lost: Sériový port COM1 "
              "nelze otevřít\n");
    EXPECT_NE(FileText().find("\nVERZE = V2\n"), std::string::npos);
}

TEST_F(BackupCommandsTest, ABackupThroughALinkIsRefusedAndChangesNothing) {
    const std::string elsewhere = path + "-elsewhere";
    std::ofstream(elsewhere, std::ios::binary) << "keep";
    std::filesystem::create_symlink(elsewhere, path);
    EXPECT_EQ(RunBackup(context, path, now), kExitFailure);
    EXPECT_EQ(err.str(), path + " is not a regular file; nothing saved\n");
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    std::ifstream kept(elsewhere, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "keep");
    std::remove(elsewhere.c_str());
}

TEST_F(BackupCommandsTest, ARestoreThatTheReadBackDoesNotProveFails) {
    WriteFile("[PARAMETRY]\nSCALE = 3\nAN.LO = 4\n");
    io.instrument->forgetfulWrites = {4};
    EXPECT_EQ(RunRestore(context, path, Load(), false), kExitFailure);
    EXPECT_EQ(out.str(), "SCALE         2.5 -> 3\nAN.LO         0 -> 4\n");
    EXPECT_EQ(err.str(),
              "table 4 read back: 00 00 00 00 00 00 A0 41, written 00 00 80 40 00 00 A0 41; AN.LO 0 "
              "instead of 4\n"
              "restore not proven: the instrument does not hold the values of " +
                  path + "\n");
    EXPECT_EQ(io.instrument->tables.scale, 3.0f);

    io.instrument->silentWrites = {2};
    WriteFile("[PARAMETRY]\nSCALE = 5\nFUNC = 0\n");
    ClearOutput();
    EXPECT_EQ(RunRestore(context, path, Load(), false), kExitFailure);
    EXPECT_EQ(err.str(), "Chyba při zápisu (table 2); written before it: table 1\n");
}

TEST_F(BackupCommandsTest, ARefusedOrMissingFileIsOneLineNamingIt) {
    ParamFileLoad load = LoadParamFile(path);
    EXPECT_FALSE(load.file);
    EXPECT_EQ(load.error, path + " cannot be read");

    WriteFile("[PARAMETRY]\nSCALE = 1\nSCALE = 2\n");
    load = LoadParamFile(path);
    EXPECT_FALSE(load.file);
    EXPECT_EQ(load.error, path + ": line 3: SCALE again (first on line 2)");

    WriteFile("[PARAMETRY]\nDP = 1\n" + std::string(kMaxParamFileBytes, '#'));
    EXPECT_EQ(LoadParamFile(path).error, path + ": larger than 64 KiB, not a parameter file");
    std::remove(path.c_str());
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);  // no writer: opening it would block
    EXPECT_EQ(LoadParamFile(path).error, path + " is not a regular file");
}

}  // namespace
}  // namespace zt30::cli
