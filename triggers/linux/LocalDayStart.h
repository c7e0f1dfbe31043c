#pragma once

#include <chrono>

namespace agendix::triggers {

// The date in the machine's local zone (TZ honoured) at `moment`, from the POSIX C library.
std::chrono::year_month_day SystemLocalDate(std::chrono::sys_seconds moment);

// NextDayStart in the machine's local zone, read afresh so that a new zone counts at once.
std::chrono::sys_seconds NextLocalDayStart(std::chrono::sys_seconds now);

}  // namespace agendix::triggers
