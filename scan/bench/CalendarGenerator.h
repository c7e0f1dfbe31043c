#pragma once

#include <string>

namespace agendix::scan::bench {

// A calendar of `events` events over the years around 2026, about a tenth of them recurring
// series begun years ago, with zoned, UTC and floating times and texts of realistic length.
std::string GenerateCalendar(int events);

}  // namespace agendix::scan::bench
