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

#include "common/linux/Environment.h"
#include "scan/core/CalendarSource.h"
#include "scan/linux/EdsCalendar.h"

namespace agendix::scan {

struct CalendarLocation {
    std::filesystem::path path;
    // True for the default file that nobody named: a missing one is an empty calendar. A named
    // source that is missing or unreadable is an error naming its path.
    bool missingIsEmpty = false;
    // Set when the calendar is one of the calendar service's (EDS): the source uid, empty for
    // its default calendar. `path` is then the file whose change may choose another calendar,
    // and `missingIsEmpty` says that a session without the service has an empty calendar.
    std::optional<std::string> edsSource = std::nullopt;
};

// Where the default calendar is: the path named in $XDG_CONFIG_HOME/agendix/calendar.conf when
// that file exists ("eds:" or "eds:<uid>" there names a calendar of the calendar service), else
// $XDG_DATA_HOME/agendix/calendar.ics when it exists (XDG defaults under $HOME when the variables
// are unset), else the calendar service's default calendar (empty without the service). Throws
// CalendarError when the profile file cannot be read.
CalendarLocation DefaultCalendarLocation(const common::EnvironmentLookup& environment);

// $XDG_CONFIG_HOME/agendix/calendar.conf (or under $HOME/.config), the profile that may name the
// default calendar. Throws CalendarError when neither variable is set.
std::filesystem::path CalendarProfilePath(const common::EnvironmentLookup& environment);

// A factory whose applications read the calendar at `location`. Times are given in the
// machine's local zone (TZ honoured).
std::unique_ptr<CalendarApplicationFactory> MakeIcalCalendar(CalendarLocation location);

// How a calendar of the calendar service hands on its changes and how long its scans may wait.
struct CalendarServiceOptions {
    CalendarChanged changed = nullptr;  // on the service's worker thread (see EdsCalendarOptions)
    std::chrono::milliseconds readWait{0};
};

// A factory whose applications read the default calendar, found afresh for each of them with
// DefaultCalendarLocation: a path written into the profile shows at the next scan, and a
// profile that cannot be read fails that scan only. Otherwise like MakeIcalCalendar. When the
// default calendar is one of the calendar service's, its worker runs while it stays chosen;
// `service` says where its changes go.
std::unique_ptr<CalendarApplicationFactory> MakeDefaultCalendar(
    common::EnvironmentLookup environment, CalendarServiceOptions service = {});

}  // namespace agendix::scan
