#pragma once

// The calendar object model over iCalendar data (RFC 5545), read with libical. The default
// calendar folder is one .ics file or a directory of .ics files (one object per file, read in
// order of file name). It is read afresh for every scan, read-only; parsed data of a file that
// has not changed since may be reused. A directory's files and appointments that cannot be read
// are left out, each named in the folder's ReadProblems; in a single file they are errors.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

struct CalendarLocation {
    std::filesystem::path path;
    // True for the default file that nobody named: a missing one is an empty calendar. A named
    // source that is missing or unreadable is an error naming its path.
    bool missingIsEmpty = false;
};

// Reads one environment variable; empty optional when it is unset.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// Where the default calendar is: the path named in $XDG_CONFIG_HOME/agendix/calendar.conf when
// that file exists, else $XDG_DATA_HOME/agendix/calendar.ics (XDG defaults under $HOME when the
// variables are unset). Throws CalendarError when the profile file cannot be read.
CalendarLocation DefaultCalendarLocation(const EnvironmentLookup& environment);

// $XDG_CONFIG_HOME/agendix/calendar.conf (or under $HOME/.config), the profile that may name the
// default calendar. Throws CalendarError when neither variable is set.
std::filesystem::path CalendarProfilePath(const EnvironmentLookup& environment);

// The process environment, for DefaultCalendarLocation.
std::optional<std::string> ProcessEnvironment(const char* name);

// A factory whose applications read the calendar at `location`. Times are given in the
// machine's local zone (TZ honoured).
std::unique_ptr<CalendarApplicationFactory> MakeIcalCalendar(CalendarLocation location);

// A factory whose applications read the default calendar, found afresh for each of them with
// DefaultCalendarLocation: a path written into the profile shows at the next scan, and a
// profile that cannot be read fails that scan only. Otherwise like MakeIcalCalendar.
std::unique_ptr<CalendarApplicationFactory> MakeDefaultCalendar(EnvironmentLookup environment);

}  // namespace agendix::scan
