#include <gtest/gtest.h>

#include "scan/core/LocalDateTime.h"

namespace agendix::scan {
namespace {

TEST(SecondsBetween, CountsWallClockSecondsAcrossMonthsYearsAndLeapDays) {
    EXPECT_EQ(SecondsBetween({{2024, 2, 28}, 23, 0, 0}, {{2024, 3, 1}, 1, 0, 30}), 26 * 3600 + 30);
    EXPECT_EQ(SecondsBetween({{2026, 12, 31}, 23, 59, 59}, {{2027, 1, 1}, 0, 0, 0}), 1);
    EXPECT_EQ(SecondsBetween({{2027, 1, 1}, 0, 0, 0}, {{2026, 12, 31}, 23, 0, 0}), -3600);
}

}  // namespace
}  // namespace agendix::scan
