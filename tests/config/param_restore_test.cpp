// Restoring a parameter file over the fake line against a scripted instrument: only the tables that differ
// are written, each is read back and compared, and every way it can fail is told apart.
#include "config/param_restore.h"

#include <gtest/gtest.h>

#include "support/fake_instrument.h"

namespace zt30 {
namespace {

ParamFile FileOf(const std::string& text) {
    ParamFileRead read = ReadParamFile(text);
    EXPECT_TRUE(read.file) << ParamFileErrorText(read.error);
    return read.file.value_or(ParamFile{});
}

class RestoreTest : public ::testing::Test {
protected:
    RestoreTest() {
        DeviceImage& t = io.instrument->tables;
        t.func = 0;
        t.factor = 1;
        t.config = 0x01;
        t.scale = 1.0f;
        t.sp_hi = 1000.0f;
        t.an_hi = 20.0f;
    }
    RestoreReport Restore(const std::string& text, RestoreMode mode = RestoreMode::Write) {
        return RestoreParamFile(io.link->device, io.clock, FileOf(text), mode);
    }

    test::FakeInstrumentLink io;
};

TEST_F(RestoreTest, WritesOnlyTheTablesThatDifferAndReadsThemBack) {
    const RestoreReport report = Restore("[PARAMETRY]\nSCALE = 2.5\nOFFSET = 0\nAOUT = 1\nAN.HI = 20\n");
    EXPECT_EQ(report.outcome, RestoreOutcome::Done);
    EXPECT_EQ(report.tables, (std::vector<int>{1, 2}));
    EXPECT_EQ(report.written, (std::vector<int>{1, 2}));
    EXPECT_EQ(io.instrument->writes, (std::vector<int>{1, 2}));
    EXPECT_EQ(io.instrument->reads, (std::vector<int>{1, 2, 3, 4, 1, 2}));
    EXPECT_EQ(io.clock.Sleeps(), (std::vector<int>{20, 20, 20, 20, 100, 100, 20, 20}));
    EXPECT_EQ(report.changes, (std::vector<ParamChange>{{"SCALE", "1", "2.5"},
                                                        {"CONFIG", "0x01", "0x21"},
                                                        {"AOUT", "0 0..   20 mA", "1 4..   20 mA", true}}));
    EXPECT_EQ(io.instrument->tables.scale, 2.5f);
    EXPECT_EQ(io.instrument->tables.config, 0x21);
    EXPECT_TRUE(report.readBackFaults.empty());
    EXPECT_TRUE(io.ui.messages.empty());
}

TEST_F(RestoreTest, AFileTheInstrumentAlreadyHoldsAndADryRunWriteNothing) {
    RestoreReport report = Restore("[PARAMETRY]\nSCALE = 1\nCONFIG = 01\n");
    EXPECT_EQ(report.outcome, RestoreOutcome::Done);
    EXPECT_TRUE(report.changes.empty());
    EXPECT_TRUE(report.tables.empty());

    report = Restore("[PARAMETRY]\nFUNC = flohod\nHYSTER = -0\n", RestoreMode::Compare);
    EXPECT_EQ(report.outcome, RestoreOutcome::Done);
    // -0 differs from 0 in its bytes, so it is a change as the instrument would see it.
    EXPECT_EQ(report.changes, (std::vector<ParamChange>{{"FUNC", "0 TOTAL (čítač)", "3 FLOHOD (průtokoměr)"},
                                                        {"HYSTER", "0", "-0"}}));
    EXPECT_EQ(report.tables, (std::vector<int>{1, 3}));
    EXPECT_TRUE(report.written.empty());
    EXPECT_TRUE(io.instrument->writes.empty());
    EXPECT_EQ(io.instrument->tables.func, 0);
}

TEST_F(RestoreTest, AnInstrumentThatAcknowledgesButKeepsItsValuesFailsTheReadBack) {
    io.instrument->forgetfulWrites = {2};
    const RestoreReport report = Restore("[PARAMETRY]\nSCALE = 2.5\nFUNC = 1\n");
    EXPECT_EQ(report.outcome, RestoreOutcome::ReadBackFailed);
    EXPECT_EQ(report.written, (std::vector<int>{1, 2}));
    ASSERT_EQ(report.readBackFaults.size(), 1u);
    const ReadBackFault& fault = report.readBackFaults[0];
    EXPECT_EQ(fault.table, 2);
    EXPECT_EQ(fault.wanted, (std::vector<std::uint8_t>{0x00, 0x00, 0x20, 0x40, 0, 0, 0, 0}));
    EXPECT_EQ(fault.read, (std::vector<std::uint8_t>{0x00, 0x00, 0x80, 0x3F, 0, 0, 0, 0}));
    EXPECT_EQ(fault.differences, (std::vector<ParamChange>{{"SCALE", "2.5", "1"}}));
}

TEST_F(RestoreTest, ATableThatDoesNotAnswerItsReadBackFailsIt) {
    // Silent after the first read of table 3: the read-back of the written table gets no answer.
    int reads = 0;
    auto original = io.fake->onWrite;
    io.fake->onWrite = [&](std::span<const std::uint8_t> request) {
        if (request.size() == 11 && request[7] == 0x01 && request[8] == 3 && ++reads == 2) {
            return;  // the instrument does not hear the read-back
        }
        original(request);
    };
    const RestoreReport report = Restore("[PARAMETRY]\nSP.LO = -5\n");
    EXPECT_EQ(report.outcome, RestoreOutcome::ReadBackFailed);
    ASSERT_EQ(report.readBackFaults.size(), 1u);
    EXPECT_EQ(report.readBackFaults[0].table, 3);
    EXPECT_TRUE(report.readBackFaults[0].read.empty());
    EXPECT_EQ(io.instrument->tables.sp_lo, -5.0f);
}

TEST_F(RestoreTest, AFailedFirstReadWritesNothingAndAFailedWriteStopsTheRest) {
    io.instrument->silentReads = {4};
    RestoreReport report = Restore("[PARAMETRY]\nSCALE = 3\n");
    EXPECT_EQ(report.outcome, RestoreOutcome::ReadFailed);
    EXPECT_EQ(report.failedTable, 4);
    EXPECT_TRUE(io.instrument->writes.empty());

    io.instrument->silentReads.clear();
    io.instrument->silentWrites = {2};
    report = Restore("[PARAMETRY]\nSCALE = 3\nDP = 5\nAN.LO = 4\n");
    EXPECT_EQ(report.outcome, RestoreOutcome::WriteFailed);
    EXPECT_EQ(report.failedTable, 2);
    EXPECT_EQ(report.written, (std::vector<int>{1}));
    EXPECT_EQ(io.instrument->tables.an_lo, 0.0f);  // table 4 not written after the failure
}

}  // namespace
}  // namespace zt30
