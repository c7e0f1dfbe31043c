#pragma once

// The calendar object model over iCalendar data (RFC 5545), read with libical. The default
// calendar folder is one .ics file or a directory of .ics files (one object per file, read in
// order of file name). It is read afresh for every scan, read-only; parsed data of a file that
// has not changed since may be reused. A directory's files and appointments that cannot be read
// are left out, each named in the folder's ReadProblems; in a single file they are errors.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // Set for a calendar read over the network: its line as written ("https://...",
    // "webcal://...", "caldav:..."). `path` is then where its last copy is kept
    // (SubscriptionCopyPath), empty when there is no cache folder.
    std::optional<std::string> remote = std::nullopt;
    // How messages name the calendar among several: its line as written.
    std::string name = {};
};

// Where the default calendars are: those named in $XDG_CONFIG_HOME/agendix/calendar.conf, one a
// line, in order, when that file exists (see CalendarLocationOf for what a line may say), else
// $XDG_DATA_HOME/agendix/calendar.ics when it exists (XDG defaults under $HOME when the
// variables are unset), else the calendar service's default calendar (empty without the
// service). Throws CalendarError when the profile file cannot be read or names no calendar.
std::vector<CalendarLocation> DefaultCalendarLocations(
    const common::EnvironmentLookup& environment);

// The first of DefaultCalendarLocations.
CalendarLocation DefaultCalendarLocation(const common::EnvironmentLookup& environment);

// What one line of the profile `profile` names: "eds:" or "eds:<uid>" a calendar of the
// calendar service; "https://", "http://", "webcal://" or "caldav:" a calendar on the network;
// anything else a file or folder, a leading ~/ standing for the home folder and a relative path
// taken from the profile's own folder. `line` is trimmed.
CalendarLocation CalendarLocationOf(const std::string& line, const std::filesystem::path& profile,
                                    const common::EnvironmentLookup& environment);

// $XDG_CONFIG_HOME/agendix/calendar.conf (or under $HOME/.config), the profile that may name the
// default calendar. Throws CalendarError when neither variable is set.
std::filesystem::path CalendarProfilePath(const common::EnvironmentLookup& environment);

// A factory whose applications read the calendar at `location`. Times are given in the
// machine's local zone (TZ honoured).
std::unique_ptr<CalendarApplicationFactory> MakeIcalCalendar(CalendarLocation location);

// The file that holds the last good copy of the calendar on the network that `address` names:
// $XDG_CACHE_HOME/agendix/subscriptions/<a hash of the address>.ics (or under ~/.cache). Empty
// when neither variable is set.
std::filesystem::path SubscriptionCopyPath(const common::EnvironmentLookup& environment,
                                           const std::string& address);

// Makes the source of a calendar on the network from its line in the profile (see
// CalendarLocation::remote); throws CalendarError when it cannot be made.
using RemoteCalendarMaker =
    std::function<std::unique_ptr<CalendarApplicationFactory>(const std::string& line)>;

// How a calendar of the calendar service hands on its changes and how long its scans may wait,
// and how calendars on the network are made.
struct CalendarServiceOptions {
    CalendarChanged changed = nullptr;  // on the service's worker thread (see EdsCalendarOptions)
    std::chrono::milliseconds readWait{0};
    // Without it (a program that does not fetch), a calendar on the network is read from the
    // copy that the program that fetches it keeps, with a note of its age in ReadProblems.
    RemoteCalendarMaker remote = nullptr;
};

// The source of the calendar at `location`: its files, a calendar of the calendar service or,
// through `service.remote`, a calendar on the network. Throws CalendarError when it cannot be
// made.
std::unique_ptr<CalendarApplicationFactory> MakeCalendarSource(
    const CalendarLocation& location, const CalendarServiceOptions& service);

// Checks that `text` is a whole iCalendar object (a web page or a download cut short is not),
// throwing CalendarError with a message naming `name` when it is not, and returns how often the
// calendar asks to be fetched again (REFRESH-INTERVAL, else X-PUBLISHED-TTL), when it says.
std::optional<std::chrono::seconds> CheckCalendarText(const std::string& text,
                                                      const std::string& name);

// A factory whose applications read the default calendars, found afresh for each of them with
// DefaultCalendarLocations: a path written into the profile shows at the next scan, and a
// profile that cannot be read fails that scan only. Their appointments are merged (see
// MergedCalendar.h). A calendar's source is kept while it stays named, so that the calendar
// service's worker and the copy of a calendar on the network outlive the scans; `service` says
// where their changes go.
std::unique_ptr<CalendarApplicationFactory> MakeDefaultCalendar(
    common::EnvironmentLookup environment, CalendarServiceOptions service = {});

}  // namespace agendix::scan
