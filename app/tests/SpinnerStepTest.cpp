#include <gtest/gtest.h>

#include "app/core/SpinnerStep.h"

namespace agendix::app {
namespace {

TEST(SpinnerStep, StartsFromTheNumberTheBoxShowsAndStaysInRange) {
    EXPECT_EQ(StepSpinner("2", 2, +1), 3);
    EXPECT_EQ(StepSpinner(" 10 ", 2, -1), 9);  // typed by hand, then an arrow
    EXPECT_EQ(StepSpinner("30", 30, +1), 30);  // never above 30
    EXPECT_EQ(StepSpinner("1", 1, -1), 1);     // never below 1
    EXPECT_EQ(StepSpinner("45", 2, -1), 29);   // a stored 45 steps down into range
    EXPECT_EQ(StepSpinner("abc", 7, +1), 8);   // no number: from the spinner's own value
    EXPECT_EQ(StepSpinner("", 7, -1), 6);
    EXPECT_EQ(StepSpinner("99999999999999", 7, -1), 29);
    EXPECT_EQ(StepSpinner("-99999999999999", 7, +1), 2);
}

}  // namespace
}  // namespace agendix::app
