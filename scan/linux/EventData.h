#pragma once

// One VEVENT read with libical into the few facts the scan needs. The libical component lives
// only while it is read.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scan/linux/ZoneTime.h"

namespace agendix::scan {

// A date or date-time property value: its wall-clock reading and how to read it.
struct EventTime {
    WallSeconds wall = 0;
    bool isDate = false;
    TimeZoneRef zone;  // Floating for dates
};

// How long an event lasts: whole days counted on the calendar (a day across a daylight-saving
// change keeps its wall-clock times), then exact seconds.
struct EventDuration {
    int nominalDays = 0;
    std::int64_t exactSeconds = 0;
};

struct EventData {
    EventTime start;
    EventDuration duration;
    bool hasOwnEnd = false;              // DTEND or DURATION was given
    std::optional<std::string> subject;  // absent when the event has no SUMMARY
    std::optional<std::string> location;
    bool cancelled = false;
    std::vector<std::string> rules;  // RRULE values
    std::vector<EventTime> recurrenceDates;
    std::vector<EventTime> exceptionDates;
    std::optional<EventTime> recurrenceId;
};

// Finds the zone of a TZID: the file's VTIMEZONE, else the system zone database, else floating.
using ZoneLookup = std::function<TimeZoneRef(std::string_view tzid)>;

// Whether ReadEvent reads the event property `name`; it need not be given the others.
bool IsReadProperty(std::string_view name);

// Reads the VEVENT that begins on line `line` of `file` from its own properties, the content
// lines in `properties` as written (its BEGIN and END lines and its alarms and other
// subcomponents left out); throws CalendarFileError naming the file and line when the event
// cannot be used.
EventData ReadEvent(std::string_view properties, const ZoneLookup& zones, const std::string& file,
                    std::uint32_t line);

// The moment an event time stands for.
Moment MomentOf(const EventTime& time);

// The moment `duration` after `start`, whole days counted on the wall clock of `zone`.
Moment AddDuration(const Moment& start, const EventDuration& duration, const TimeZoneRef& zone);

}  // namespace agendix::scan
