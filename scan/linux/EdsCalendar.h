#pragma once

// The calendar object model over a calendar of Evolution Data Server (EDS), the desktop's
// calendar service: the default calendar or one source named by its uid. The service expands
// series, overrides, exclusions and zones; each instance of a day is an appointment of its own.
//
// Nothing here calls the service on the caller's thread: a worker thread with its own GLib main
// context connects, keeps the instances of three days from a live view of the calendar and tells
// `changed` (on the worker thread) whenever they or the calendar's state change. A scan reads
// that snapshot under a lock. This header and its users stay free of GLib.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

// Called on the worker thread when what a scan would read has changed; hand it on to the
// thread that scans (with a queued call) and return.
using CalendarChanged = std::function<void()>;

struct EdsCalendarOptions {
    // The source's uid; empty for the default calendar.
    std::string sourceUid = {};
    // What a session bus without the service means: an empty calendar (the default choice when
    // nothing was chosen) or an error (the service was asked for by name).
    bool absentIsEmpty = false;
    // How long a scan may wait for the service to read days it has not read yet. Zero for a
    // user-interface thread: the scan then fails with "still being read" and `changed` follows
    // once the days are there. A command without a user interface waits.
    std::chrono::milliseconds readWait{0};
    CalendarChanged changed = nullptr;
};

// Starts the worker at once. Its applications never call the service themselves.
std::unique_ptr<CalendarApplicationFactory> MakeEdsCalendar(EdsCalendarOptions options);

// True when `name` is how calendar.conf and --calendar name an EDS calendar: "eds:" for the
// default calendar, "eds:<source uid>" for another one. `uid` receives the uid (empty for the
// default).
bool ParseEdsCalendarName(const std::string& name, std::string& uid);

}  // namespace agendix::scan
