#pragma once

// A calendar read on a worker thread of its own, so that a slow calendar (a program that takes
// long to start or does not answer) never holds up the thread that scans.
//
// The worker reads whole days at once: for the days a scan asks for, that day and the next
// (today and tomorrow in one read), series expanded into their occurrences, with the folder's
// read problems or the read's failure. A scan never waits for the worker: it reads the last
// result under a lock and asks for a fresh read (at most one runs, at most one waits), whose
// result the next scan shows.
//
// What a scan then sees:
// - no result for its days yet: CalendarNotReady (`changed` follows once there is one);
// - the last read failed: that failure, unchanged;
// - a read running for longer than `answerWait`: CalendarError "<name> is not answering"
//   (`changed` tells when the wait runs out, and again when the read answers);
// - otherwise the last result, even while a newer read runs.

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

struct BackgroundCalendarOptions {
    // How messages name the calendar, such as `The calendar program "X"`.
    std::string name;
    // How long a read may take before scans call the calendar not answering.
    std::chrono::milliseconds answerWait{20000};
    // Called on a thread of the calendar's own when a read's result (appointments, problems or
    // failure) differs from the one before, when a read runs past `answerWait`, and when such a
    // read answers at last: hand it on to the thread that scans and return. Never called for an
    // unchanged result, so a scan it starts does not start another one.
    std::function<void()> changed;
};

// Starts the worker at once; its first read waits for the first scan. Destroying the calendar
// does not wait for a read that does not answer: the worker is then left to end on its own,
// with `calendar`, and calls `changed` no more.
std::unique_ptr<CalendarApplicationFactory> MakeBackgroundCalendar(
    std::unique_ptr<CalendarApplicationFactory> calendar, BackgroundCalendarOptions options);

}  // namespace agendix::scan
