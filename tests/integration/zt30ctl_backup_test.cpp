// zt30ctl backup, diff and restore end to end against the simulator: what a person sees at each step, which
// requests reach the instrument, and a read-back that the simulator leaves unanswered.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "sim/sim_process.h"

namespace zt30::test {
namespace {

class Zt30ctlBackup : public ::testing::Test {
protected:
    ~Zt30ctlBackup() override { std::remove(file_.c_str()); }

    void StartSim(std::vector<std::string> args) {
        sim_ = std::make_unique<SimProcess>(ZT30_SIM_PATH, std::move(args));
        ASSERT_FALSE(sim_->SlavePath().empty());
    }
    ProgramRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), {"--device", sim_->SlavePath()});
        return RunProgram(ZT30CTL_PATH, args);
    }
    void WriteFile(const std::string& text) const { std::ofstream(file_, std::ios::binary) << text; }

    // The table numbers of the read (0x01) and write (0x02) requests among requests[from...], in order, each
    // written as "r2" or "w2".
    static std::vector<std::string> TableRequests(const std::vector<std::vector<std::uint8_t>>& requests,
                                                  std::size_t from) {
        std::vector<std::string> tables;
        for (std::size_t i = from; i < requests.size(); ++i) {
            const auto& r = requests[i];
            if (r.size() > 9 && r[0] == 0x68 && (r[7] == 0x01 || r[7] == 0x02)) {
                tables.push_back((r[7] == 0x01 ? "r" : "w") + std::to_string(r[8]));
            }
        }
        return tables;
    }

    std::unique_ptr<SimProcess> sim_;
    const std::string file_ = ::testing::TempDir() + "/zt30ctl-sim-" + std::to_string(getpid()) + ".ini";
};

TEST_F(Zt30ctlBackup, BackupChangeDiffRestoreDiffShowWhatChangedAndWriteOnlyThatTable) {
    StartSim({"--stations", "1"});
    ProgramRun run = Run({"backup", file_});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out.rfind("saved the parameters of station 1 (ZANTOR 30 ", 0), 0u) << run.out;

    run = Run({"set", "SCALE", "2.5"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = Run({"diff", file_});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_EQ(run.out, "instrument -> " + file_ + ":\nSCALE         2.5 -> 1\n");

    const std::size_t before = sim_->Requests().size();
    run = Run({"restore", file_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "SCALE         2.5 -> 1\nwritten and read back: table 2\n");
    const auto requests = sim_->WaitForRequests(before + 6, 2000);
    EXPECT_EQ(TableRequests(requests, before),
              (std::vector<std::string>{"r1", "r2", "r3", "r4", "w2", "r2"}));

    run = Run({"diff", file_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "the instrument holds the values of " + file_ + "\n");
}

TEST_F(Zt30ctlBackup, AReadBackWithoutAnswerFailsTheRestore) {
    // Requests 1 to 4 read the tables, 5 writes table 2, 6 reads it back: the simulator does not hear it.
    StartSim({"--stations", "1", "--fault", "none@6"});
    WriteFile("[PARAMETRY]\nSCALE = 3\n");
    const ProgramRun run = Run({"restore", file_});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "SCALE         1 -> 3\n");
    EXPECT_EQ(run.err,
              "table 2 read back: no valid answer\n"
              "restore not proven: the instrument does not hold the values of " +
                  file_ + "\n");
    EXPECT_EQ(TableRequests(sim_->WaitForRequests(6, 2000), 0),
              (std::vector<std::string>{"r1", "r2", "r3", "r4", "w2", "r2"}));
}

TEST_F(Zt30ctlBackup, ARefusedFileAndADryRunSendNoWrite) {
    StartSim({"--stations", "1"});
    WriteFile("[PARAMETRY]\nSCALE = 3\nFUNC = 9\n");
    ProgramRun run = Run({"restore", file_});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.err, "zt30ctl: " + file_ +
                           ": line 3: FUNC: \"9\" is none of 0 TOTAL (čítač), 1 RATE (kmitočtoměr), 2 FLOMIN "
                           "(průtokoměr), 3 FLOHOD (průtokoměr)\n");

    WriteFile("[PARAMETRY]\nSCALE = 3\nFUNC = flohod\n");
    run = Run({"restore", "--dry-run", file_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "FUNC          0 TOTAL (čítač) -> 3 FLOHOD (průtokoměr)\n"
              "SCALE         1 -> 3\n"
              "dry run: tables 1, 2 would be written\n");
    // Only the dry run reached the instrument, and it only read.
    EXPECT_EQ(TableRequests(sim_->WaitForRequests(4, 2000), 0),
              (std::vector<std::string>{"r1", "r2", "r3", "r4"}));
}

}  // namespace
}  // namespace zt30::test
