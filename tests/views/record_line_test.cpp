#include "views/record_line.h"

#include <gtest/gtest.h>

namespace zt30 {
namespace {

TEST(RecordLine, FourCellsEachWithSemicolonBlankThenCrLf) {
    EXPECT_EQ(RecordLine("A", "B", "D", "T"), "A; B; D; T; \r\n");
    EXPECT_EQ(RecordLine("12,500", "100,000", "02.01.24", "10:00:00"),
              "12,500; 100,000; 02.01.24; 10:00:00; \r\n");
    EXPECT_EQ(RecordLine("", "", "", ""), "; ; ; ; \r\n");
}

}  // namespace
}  // namespace zt30
