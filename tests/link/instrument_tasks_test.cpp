// The instrument tasks against the scripted instrument on a fake clock: what each sends, to which address,
// with which pauses, and what it reports when the instrument stays silent, refuses or is of another kind.
#include "link/instrument_tasks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>

#include "support/fake_instrument.h"

namespace zt30 {
namespace {

using test::Bytes;
using test::ToHex;

class TasksTest : public ::testing::Test {
protected:
    DeviceOperations& Ops() { return io.link->device; }
    std::uint8_t LinkAddress() { return io.link->telegrams.DestinationAddress(); }

    test::FakeInstrumentLink io;
};

TEST_F(TasksTest, AProbeAsksTheAddressAndLeavesTheLinksAddress) {
    EXPECT_FALSE(ProbeStation(Ops(), 3));
    io.fake->onWrite = [this](std::span<const std::uint8_t> request) {
        io.fake->Arrive({0x10, 0x00, request[1], 0x00, request[1], 0x16}, 2);  // every station acknowledges
    };
    EXPECT_TRUE(ProbeStation(Ops(), 7));
    EXPECT_EQ(ToHex(io.fake->writes.back()), "10 07 00 69 70 16");
    EXPECT_EQ(LinkAddress(), 1);
}

TEST_F(TasksTest, TablesGoOnOrStopAfterAFailureAndPauseAfterEach) {
    EXPECT_TRUE(ReadTables(Ops(), io.clock, kParamTables, OnTableFailure::GoOn).Ok());
    EXPECT_TRUE(WriteTables(Ops(), io.clock, kParamTables, OnTableFailure::GoOn).Ok());
    EXPECT_EQ(io.clock.Sleeps(), (std::vector<int>{20, 20, 20, 20, 100, 100, 100, 100}));

    io.instrument->silentReads = {2};
    io.instrument->silentWrites = {3};
    std::vector<std::pair<int, bool>> progress;
    TableTransfer read = ReadTables(Ops(), io.clock, kParamTables, OnTableFailure::GoOn,
                                    [&progress](int table, bool ok) { progress.emplace_back(table, ok); });
    EXPECT_EQ(read.failed, std::vector<int>{2});
    EXPECT_EQ(progress, (std::vector<std::pair<int, bool>>{{1, true}, {2, false}, {3, true}, {4, true}}));
    read = ReadTables(Ops(), io.clock, kParamTables, OnTableFailure::Stop);
    EXPECT_EQ(read.done, std::vector<int>{1});
    const TableTransfer written = WriteTables(Ops(), io.clock, kParamTables, OnTableFailure::Stop);
    EXPECT_EQ(written.done, (std::vector<int>{1, 2}));
    EXPECT_EQ(written.failed, std::vector<int>{3});
    EXPECT_EQ(io.instrument->writes.back(), 3);
}

TEST_F(TasksTest, AnAddressChangeWritesToTheOldAddressAndFollowsTheInstrument) {
    EXPECT_EQ(ChangeAddress(Ops(), io.clock, 5, AddressReadBack::Off), AddressChange::Changed);
    EXPECT_EQ(ToHex(io.fake->writes.at(0)), "68 06 06 68 01 00 63 02 05 05 70 16");
    EXPECT_EQ(io.fake->writes.size(), 1u);
    EXPECT_EQ(io.clock.Sleeps(), std::vector<int>{100});
    EXPECT_EQ(ChangeAddress(Ops(), io.clock, 9, AddressReadBack::On), AddressChange::Changed);
    EXPECT_EQ(ToHex(io.fake->writes.back()), "68 05 05 68 09 00 6C 01 05 7B 16");  // read back at 9

    io.instrument->forgetfulWrites = {5};  // acknowledged, but it keeps its address
    EXPECT_EQ(ChangeAddress(Ops(), io.clock, 12, AddressReadBack::On), AddressChange::NotAtNewAddress);
    io.link->telegrams.SetDestinationAddress(9);
    io.instrument->silentWrites = {5};
    EXPECT_EQ(ChangeAddress(Ops(), io.clock, 20, AddressReadBack::On), AddressChange::WriteFailed);
    EXPECT_EQ(LinkAddress(), 9);
    EXPECT_EQ(io.link->image.address, 20);
}

TEST_F(TasksTest, IdentificationPausesAndTriesTheForeignReadOnlyAfterBothFailed) {
    io.instrument->identification = Bytes{'Z', 'T'};
    io.instrument->version = Bytes{'v', '2', 0, 'x'};
    Identification ident = Identify(Ops(), io.clock);
    EXPECT_EQ(ident.type + "/" + ident.version, "ZT/v2");
    EXPECT_EQ(ToHex(io.fake->writes.at(1)), "68 04 04 68 01 00 6C 04 71 16");
    EXPECT_EQ(io.clock.Sleeps(), std::vector<int>{50});

    io.instrument->identification.reset();
    ident = Identify(Ops(), io.clock);
    EXPECT_TRUE(ident.Identified() && !ident.typeRead && !ident.foreign);
    EXPECT_EQ(io.fake->writes.size(), 5u);  // the identification twice, the version once, no foreign read

    Bytes data(97, 0);
    data[1] = 'M';
    data[33] = 'X';
    std::fill_n(data.begin() + 65, 32, 'v');
    io.instrument->foreign = data;
    ident = Identify(Ops(), io.clock);
    EXPECT_TRUE(ident.foreign && !ident.Identified());
    EXPECT_EQ(io.clock.Sleeps().back(), 50);  // before the foreign read
    EXPECT_EQ(ident.foreignFields, (std::array<std::string, 3>{"M", "X", std::string(32, 'v')}));
}

}  // namespace
}  // namespace zt30
