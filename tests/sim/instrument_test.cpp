#include "sim/instrument.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "sim_test_bytes.h"

namespace zt30::sim {
namespace {

using namespace std::chrono_literals;
using test::Hex;
using test::ToHex;

// A time source the test moves by hand.
struct ManualTime {
    std::chrono::nanoseconds now{5s};  // not zero: the model must count from its own start
    Instrument::TimeSource Source() {
        return [this] { return now; };
    }
};

TEST(Instrument, DefaultTablesTravelLittleEndian) {
    ManualTime time;
    Instrument station(9, 10.0, time.Source());
    EXPECT_EQ(ToHex(station.ReadTable(0)), "00 00 00 00 00 00 00 00");
    EXPECT_EQ(ToHex(station.ReadTable(1)), "00 00 01 00 00 00");                    // TOTAL, multiply
    EXPECT_EQ(ToHex(station.ReadTable(2)), "00 00 80 3F 00 00 00 00");              // SCALE 1, OFFSET 0
    EXPECT_EQ(ToHex(station.ReadTable(3)), "00 00 00 00 00 00 7A 44 00 00 00 00");  // SP.HI 1000
    EXPECT_EQ(ToHex(station.ReadTable(4)), "00 00 00 00 00 00 7A 44");              // AN.HI 1000
    EXPECT_EQ(ToHex(station.ReadTable(5)), "09");
    EXPECT_TRUE(station.ReadTable(6).empty());
    EXPECT_TRUE(station.ReadTable(-1).empty());
}

TEST(Instrument, WrittenTablesReadBackByteForByte) {
    ManualTime time;
    Instrument station(1, 10.0, time.Source());
    const struct {
        int table;
        const char* bytes;
    } writes[] = {
        {1, "03 02 01 21 10 27"},
        {2, "00 00 20 41 00 00 C0 BF"},  // 10.0 and -1.5
        {3, "00 00 80 3F 00 00 00 40 CD CC CC 3D"},
        {4, "00 00 80 40 00 00 A0 41"},
        {5, "07"},
    };
    for (const auto& w : writes) {
        ASSERT_TRUE(station.WriteTable(w.table, Hex(w.bytes))) << "table " << w.table;
        EXPECT_EQ(ToHex(station.ReadTable(w.table)), ToHex(Hex(w.bytes))) << "table " << w.table;
    }
    const Parameters& p = station.Params();
    EXPECT_EQ(p.func, 3);
    EXPECT_EQ(p.dp, 2);
    EXPECT_EQ(p.factor, 1);
    EXPECT_EQ(p.config, 0x21);
    EXPECT_EQ(p.filtr, 10000);
    EXPECT_EQ(p.scale, 10.0F);
    EXPECT_EQ(p.offset, -1.5F);
    EXPECT_FLOAT_EQ(p.hyster, 0.1F);
    EXPECT_EQ(station.Address(), 7);
}

struct BadWrite {
    const char* name;
    int table;
    const char* bytes;
};

class InstrumentRefuses : public ::testing::TestWithParam<BadWrite> {};

TEST_P(InstrumentRefuses, WriteAndLeavesEveryTableAsItWas) {
    ManualTime time;
    Instrument station(1, 10.0, time.Source());
    std::vector<std::vector<std::uint8_t>> before;
    for (int t = 1; t <= 5; ++t) {
        before.push_back(station.ReadTable(t));
    }
    EXPECT_FALSE(station.WriteTable(GetParam().table, Hex(GetParam().bytes)));
    for (int t = 1; t <= 5; ++t) {
        EXPECT_EQ(station.ReadTable(t), before[static_cast<std::size_t>(t - 1)]) << "table " << t;
    }
}

INSTANTIATE_TEST_SUITE_P(Writes, InstrumentRefuses,
                         ::testing::Values(BadWrite{"Table0", 0, "00 00 48 41 00 00 C8 42"},
                                           BadWrite{"Table6", 6, "55"}, BadWrite{"Table8", 8, "00"},
                                           BadWrite{"FuncBeyondList", 1, "04 00 01 00 00 00"},
                                           BadWrite{"DpBeyondList", 1, "00 06 01 00 00 00"},
                                           BadWrite{"FactorBeyondList", 1, "00 00 02 00 00 00"},
                                           BadWrite{"Table1Short", 1, "00 00 01 00 00"},
                                           BadWrite{"Table2Long", 2, "00 00 80 3F 00 00 00 00 00"},
                                           BadWrite{"BroadcastAddress", 5, "7F"},
                                           BadWrite{"AddressAbove127", 5, "C8"}),
                         [](const auto& info) { return std::string(info.param.name); });

struct FunctionCase {
    const char* name;
    Function func;
    std::uint8_t factor;
    float scale;
    float offset;
    double hz;
    std::chrono::milliseconds elapsed;
    float expected;
};

class InstrumentFunctions : public ::testing::TestWithParam<FunctionCase> {};

TEST_P(InstrumentFunctions, ValueIsRawOpScalePlusOffset) {
    const FunctionCase& c = GetParam();
    ManualTime time;
    Instrument station(1, c.hz, time.Source());
    Parameters p;
    p.func = static_cast<std::uint8_t>(c.func);
    p.factor = c.factor;
    p.scale = c.scale;
    p.offset = c.offset;
    station.SetParams(p);
    time.now += c.elapsed;
    EXPECT_FLOAT_EQ(station.Value(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Functions, InstrumentFunctions,
                         ::testing::Values(FunctionCase{"TotalCountsWholePulses", Function::Total,
                                                        kFactorMultiply, 1.0F, 0.0F, 10.0, 2550ms, 25.0F},
                                           FunctionCase{"TotalTimesScalePlusOffset", Function::Total,
                                                        kFactorMultiply, 0.5F, 1.0F, 10.0, 2500ms, 13.5F},
                                           FunctionCase{"TotalDivided", Function::Total, kFactorDivide, 4.0F,
                                                        0.0F, 10.0, 3000ms, 7.5F},
                                           FunctionCase{"RateIsFrequency", Function::Rate, kFactorMultiply,
                                                        2.0F, 0.0F, 12.5, 100ms, 25.0F},
                                           FunctionCase{"RateWithNegativeOffset", Function::Rate,
                                                        kFactorMultiply, 1.0F, -2.5F, 10.0, 0ms, 7.5F},
                                           FunctionCase{"FlowPerMinute", Function::FlowPerMinute,
                                                        kFactorMultiply, 1.0F, 0.0F, 10.0, 0ms, 600.0F},
                                           FunctionCase{"FlowPerHourDivided", Function::FlowPerHour,
                                                        kFactorDivide, 4.0F, 0.0F, 10.0, 0ms, 9000.0F},
                                           FunctionCase{"DivideByZeroScaleShowsOffset", Function::Rate,
                                                        kFactorDivide, 0.0F, 3.0F, 10.0, 0ms, 3.0F}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Instrument, SlowPulsesAreCountedOnlyWhenWhole) {
    ManualTime time;
    Instrument station(1, 0.4, time.Source());
    time.now += 2s;  // 0.8 pulses
    EXPECT_EQ(station.Counter(), 0u);
    time.now += 1s;  // 1.2 pulses: the fraction carries over between reads
    EXPECT_EQ(station.Counter(), 1u);
    time.now += 2s;  // 2.0 pulses
    EXPECT_EQ(station.Counter(), 2u);
}

TEST(Instrument, SumIntegratesScaledPulsesAndKeepsThePastOnScaleChange) {
    ManualTime time;
    Instrument station(1, 10.0, time.Source());
    Parameters p;
    p.func = static_cast<std::uint8_t>(Function::FlowPerMinute);
    p.scale = 2.0F;
    station.SetParams(p);
    time.now += 3s;
    EXPECT_FLOAT_EQ(station.Sum(), 60.0F);                               // 30 pulses of 2 units
    ASSERT_TRUE(station.WriteTable(2, Hex("00 00 20 41 00 00 00 00")));  // SCALE 10
    time.now += 1s;
    EXPECT_FLOAT_EQ(station.Sum(), 160.0F);  // earlier 60 kept, 10 pulses of 10 units added
    EXPECT_FLOAT_EQ(station.Value(), 6000.0F);
}

TEST(Instrument, ClearingCounterAndSumAreIndependent) {
    ManualTime time;
    Instrument station(1, 10.0, time.Source());
    time.now += 2s;
    EXPECT_TRUE(station.Clear(6, 0x55));
    EXPECT_EQ(station.Counter(), 0u);
    EXPECT_FLOAT_EQ(station.Sum(), 20.0F);
    time.now += 1s;
    EXPECT_TRUE(station.Clear(7, 0x5A));
    EXPECT_FLOAT_EQ(station.Sum(), 0.0F);
    EXPECT_EQ(station.Counter(), 10u);
    time.now += 500ms;
    EXPECT_EQ(station.Counter(), 15u);
    EXPECT_FLOAT_EQ(station.Sum(), 5.0F);
}

TEST(Instrument, ClearingNeedsTheMatchingByte) {
    ManualTime time;
    Instrument station(1, 10.0, time.Source());
    time.now += 1s;
    EXPECT_FALSE(station.Clear(6, 0x5A));
    EXPECT_FALSE(station.Clear(7, 0x55));
    EXPECT_FALSE(station.Clear(5, 0x55));
    EXPECT_EQ(station.Counter(), 10u);
    EXPECT_FLOAT_EQ(station.Sum(), 10.0F);
}

}  // namespace
}  // namespace zt30::sim
