#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace agendix::scan {

// The VEVENTs of a generated calendar of `events` events over the years around 2026, about a
// tenth of them recurring series begun years ago, with zoned, UTC and floating times and texts
// of realistic length. The same count always gives the same events.
std::vector<std::string> GenerateEvents(int events);

// The generated events in one VCALENDAR.
std::string GenerateCalendar(int events);

// The generated events as a folder calendar: a file of one VCALENDAR per event in `folder`,
// which is made when missing.
void WriteCalendarFolder(int events, const std::filesystem::path& folder);

}  // namespace agendix::scan
