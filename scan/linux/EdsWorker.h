#pragma once

// The thread that talks to Evolution Data Server for EdsCalendar, and the snapshot of instances
// it keeps. The header is free of GLib, so that code with Qt headers may include it.

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "scan/core/LocalDateTime.h"
#include "scan/linux/EdsCalendar.h"

namespace agendix::scan {

// A moment of an instance: a date (all-day) or a floating time is taken as the wall-clock time
// it names; any other time is a point in time, shown in the zone of the scan that reads it.
struct EdsTime {
    bool wall = false;
    std::int64_t utc = 0;  // seconds since the epoch, unless `wall`
    LocalDateTime local;   // the wall-clock time, when `wall`

    bool operator==(const EdsTime&) const = default;
};

// The machine's local wall-clock time of `time`.
LocalDateTime ToLocal(const EdsTime& time);

// One instance as the service expanded it: a single event, an occurrence of a series or an
// occurrence moved by an override, with the texts of the component it came from.
struct EdsInstance {
    EdsTime start;
    EdsTime end;
    std::string subject;
    std::string location;
    std::string uid;
    std::string recurrenceId;

    bool operator==(const EdsInstance&) const = default;
};

enum class EdsState {
    Opening,              // not connected yet
    Ready,                // the instances are the calendar's
    Syncing,              // a remote calendar not synchronised yet: its list may be incomplete
    AwaitingCredentials,  // the account needs a sign-in
    Disabled,             // the calendar (or its account) is switched off
    Absent,               // no calendar service on the session bus
    Failed,               // anything else; see message
};

// What the worker knows at one moment. Instances start within [firstDay - 1, firstDay + days + 1)
// in UTC terms, so that any zone's view of the days [firstDay, firstDay + days) is complete.
struct EdsSnapshot {
    EdsState state = EdsState::Opening;
    std::string message;  // for the states other than Ready, a sentence a user can read
    CalendarDate firstDay;
    int days = 0;
    std::vector<EdsInstance> instances;  // by start, then uid, then recurrence id

    bool operator==(const EdsSnapshot&) const = default;

    // True when the instances are complete for the days [first, last].
    bool Covers(const CalendarDate& first, const CalendarDate& last) const;
};

class EdsWorker {
  public:
    // The days kept: the one a scan asked for first and the two after it, so that tomorrow is
    // there at once and a scan just after midnight is answered before the worker moves on.
    static constexpr int kDaysKept = 3;

    explicit EdsWorker(EdsCalendarOptions options);
    ~EdsWorker();
    EdsWorker(const EdsWorker&) = delete;
    EdsWorker& operator=(const EdsWorker&) = delete;

    // The latest snapshot. When it does not cover [first, last] (or the kept days start
    // elsewhere) the worker is asked to move its days to start at `first`; this waits up to
    // `wait` for that, and `changed` follows when it is done.
    std::shared_ptr<const EdsSnapshot> Read(const CalendarDate& first, const CalendarDate& last,
                                            std::chrono::milliseconds wait);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace agendix::scan
