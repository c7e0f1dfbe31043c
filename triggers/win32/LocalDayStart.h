#pragma once

#include <chrono>

namespace agendix::triggers {

// The date in the machine's local zone at `moment`, as Windows converts it (the zone set in the
// system, read on every call, so that a new zone counts at once).
std::chrono::year_month_day SystemLocalDate(std::chrono::sys_seconds moment);

// NextDayStart in the machine's local zone.
std::chrono::sys_seconds NextLocalDayStart(std::chrono::sys_seconds now);

}  // namespace agendix::triggers
