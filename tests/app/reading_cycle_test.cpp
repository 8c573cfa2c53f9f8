// The reading cycle's state on its own: the change-of-second test and the failure count.
#include "app/reading_cycle.h"

#include <gtest/gtest.h>

namespace zt30 {
namespace {

using Display = ReadingCycle::Display;

TEST(ReadingCycle, OneReadingPerChangeOfTheSecond) {
    ReadingCycle cycle;
    EXPECT_FALSE(cycle.NewSecond(0));  // the first tick at second 0 finds the start value
    EXPECT_TRUE(cycle.NewSecond(1));
    EXPECT_FALSE(cycle.NewSecond(1));
    EXPECT_TRUE(cycle.NewSecond(59));
    EXPECT_TRUE(cycle.NewSecond(0));
    EXPECT_EQ(cycle.lastSecond(), 0);
    EXPECT_FALSE(cycle.NewSecond(0));  // a minute later, the same second: nothing
}

TEST(ReadingCycle, ZerosAtEveryFourthFailureInARow) {
    ReadingCycle cycle;
    const Display expected[] = {Display::Keep, Display::Keep, Display::Keep, Display::Zeros,
                                Display::Keep, Display::Keep, Display::Keep, Display::Zeros};
    for (const Display display : expected) {
        EXPECT_EQ(cycle.AfterReading(false), display);
    }
    EXPECT_EQ(cycle.AfterReading(false), Display::Keep);
    EXPECT_EQ(cycle.AfterReading(true), Display::Values);
    EXPECT_EQ(cycle.failCount(), 0);
    EXPECT_EQ(cycle.AfterReading(false), Display::Keep);
    EXPECT_EQ(cycle.AfterReading(false), Display::Keep);
    EXPECT_EQ(cycle.AfterReading(false), Display::Keep);
    EXPECT_EQ(cycle.AfterReading(false), Display::Zeros);
}

}  // namespace
}  // namespace zt30
