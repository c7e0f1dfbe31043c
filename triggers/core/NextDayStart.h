#pragma once

#include <chrono>
#include <functional>

namespace agendix::triggers {

// The local calendar date at a moment, in some time zone.
using LocalDateAt = std::function<std::chrono::year_month_day(std::chrono::sys_seconds moment)>;

// The first second after `now` at which the local date differs from the date at `now`: the next
// local midnight, or, where a clock change skips midnight (or a whole day), the first moment of
// the day that follows. A zone whose date does not change within two days gives now + 48 h.
std::chrono::sys_seconds NextDayStart(std::chrono::sys_seconds now, const LocalDateAt& localDate);

}  // namespace agendix::triggers
