#pragma once

#include <cmath>

namespace agendix::common {

// `value` rounded to the nearest whole number, a tie to the even one (6.5 to 6, 7.5 to 8), as the
// platform's own conversions of numbers round. Independent of the floating-point rounding mode.
// Infinities stay as they are and NaN stays NaN; callers check the range before converting.
inline double RoundHalfToEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1;
    }
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

}  // namespace agendix::common
