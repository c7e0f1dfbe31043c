#include <gtest/gtest.h>

#include "triggers/core/SuspendDetector.h"

namespace agendix::triggers {
namespace {

using namespace std::chrono_literals;

// The time asleep only grows while the machine sleeps; short steps (the two clocks read one
// after the other) are no sleep, and every sample is the base for the next.
TEST(SuspendDetector, ReportsEachSleepLongerThanTheThresholdOnce) {
    SuspendDetector detector(5s, 100s);
    EXPECT_FALSE(detector.WokeUp(100s + 1ms));
    EXPECT_FALSE(detector.WokeUp(105s));
    EXPECT_TRUE(detector.WokeUp(3700s));
    EXPECT_FALSE(detector.WokeUp(3700s));
    EXPECT_FALSE(detector.WokeUp(3704s));
    EXPECT_FALSE(detector.WokeUp(3708s));
}

}  // namespace
}  // namespace agendix::triggers
