#include "common/core/Rounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <limits>

namespace agendix::common::testing {
namespace {

TEST(RoundHalfToEven, TiesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfToEven(6.5), 6);
    EXPECT_EQ(RoundHalfToEven(7.5), 8);
    EXPECT_EQ(RoundHalfToEven(8.0), 8);
    EXPECT_EQ(RoundHalfToEven(2.4999), 2);
    EXPECT_EQ(RoundHalfToEven(2.5001), 3);
    EXPECT_EQ(RoundHalfToEven(-0.5), 0);
    EXPECT_EQ(RoundHalfToEven(-1.5), -2);
    EXPECT_EQ(RoundHalfToEven(-2.5), -2);
    EXPECT_EQ(RoundHalfToEven(-2.6), -3);
}

TEST(RoundHalfToEven, IgnoresTheRoundingModeAndKeepsWhatIsNoNumber) {
    const int mode = std::fegetround();
    std::fesetround(FE_UPWARD);
    const double tie = RoundHalfToEven(6.5);
    std::fesetround(mode);
    EXPECT_EQ(tie, 6);
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RoundHalfToEven(kInfinity), kInfinity);
    EXPECT_EQ(RoundHalfToEven(-kInfinity), -kInfinity);
    EXPECT_TRUE(std::isnan(RoundHalfToEven(std::numeric_limits<double>::quiet_NaN())));
    EXPECT_EQ(RoundHalfToEven(4503599627370497.0), 4503599627370497.0);  // 2^52 + 1, whole
}

}  // namespace
}  // namespace agendix::common::testing
