// The measured-values table: which calls take a sample, and where the samples go once the 399 rows are full.
#include "views/measured_values_table.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace zt30 {
namespace {

constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();

// The calls (1-based) among the next `calls` that take a sample.
std::vector<int> SamplingCalls(MeasuredValuesTable& table, std::int32_t interval, int calls) {
    std::vector<int> sampled;
    for (int call = 1; call <= calls; ++call) {
        if (table.CountCall(interval)) {
            sampled.push_back(call);
        }
    }
    return sampled;
}

TEST(MeasuredValuesTable, SamplesAtEveryIntervalthCall) {
    const struct {
        std::int32_t interval;
        int calls;
        std::vector<int> sampled;
    } cases[] = {{60, 130, {60, 120}},
                 {131, 130, {}},
                 {1, 3, {1, 2, 3}},
                 // Only a stored value can be 0 or below: every call samples.
                 {0, 3, {1, 2, 3}},
                 {-7, 3, {1, 2, 3}},
                 {std::numeric_limits<std::int32_t>::min(), 2, {1, 2}}};
    for (const auto& c : cases) {
        MeasuredValuesTable table;
        EXPECT_EQ(SamplingCalls(table, c.interval, c.calls), c.sampled) << c.interval;
    }
}

TEST(MeasuredValuesTable, StartRecordAndIntervalChangesActAtTheNextCall) {
    MeasuredValuesTable table;
    EXPECT_EQ(SamplingCalls(table, 60, 30), std::vector<int>{});
    table.startRecord(60);
    EXPECT_EQ(SamplingCalls(table, 60, 61), (std::vector<int>{1, 61}));

    // A lowered interval: the count (30 calls) is not reset, so the next call samples.
    EXPECT_EQ(SamplingCalls(table, 60, 30), std::vector<int>{});
    EXPECT_EQ(SamplingCalls(table, 10, 11), (std::vector<int>{1, 11}));

    // The largest interval: the count saturates instead of running over.
    table.startRecord(kLargest);
    EXPECT_EQ(SamplingCalls(table, kLargest, 2), std::vector<int>{1});
}

TEST(MeasuredValuesTable, The400thSampleMovesTheRowsUpAndLandsInRow399) {
    MeasuredValuesTable table;
    const auto sample = [](int n) { return SampleRow{std::to_string(n), "s", "d", "t"}; };
    EXPECT_EQ(table.LastRow(), 1);
    for (int n = 1; n <= 399; ++n) {
        ASSERT_EQ(table.Put(sample(n)), n);
    }
    EXPECT_EQ(table.Cell(1, 0), "1");
    EXPECT_EQ(table.Put(sample(400)), 399);
    EXPECT_EQ(table.LastRow(), 399);
    EXPECT_EQ(table.Cell(1, 0), "2");  // row 1's sample is gone
    EXPECT_EQ(table.Cell(398, 0), "399");
    EXPECT_EQ(table.Cell(399, 0), "400");

    // Many turns of the ring later the rows still hold the latest 399 samples in order.
    for (int n = 401; n <= 2000; ++n) {
        table.Put(sample(n));
    }
    for (int row = 1; row <= 399; ++row) {
        ASSERT_EQ(table.Row(row), sample(2000 - 399 + row)) << row;
    }
    EXPECT_EQ(table.Cell(0, 0), "");
    EXPECT_EQ(table.Cell(400, 0), "");
}

}  // namespace
}  // namespace zt30
