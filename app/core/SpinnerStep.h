#pragma once

#include <string_view>

namespace agendix::app {

// The spin control's range: at least one minute between periodic scans, at most 30.
inline constexpr int kSpinnerMinimum = 1;
inline constexpr int kSpinnerMaximum = 30;

// The value an arrow press gives. The arrows start from the whole number that the attached box
// shows (typed text included), or from `current` when the box shows none; the result stays
// within [minimum, maximum].
int StepSpinner(std::string_view boxText, int current, int step, int minimum = kSpinnerMinimum,
                int maximum = kSpinnerMaximum);

}  // namespace agendix::app
