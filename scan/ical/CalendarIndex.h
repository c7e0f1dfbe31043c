#pragma once

// A quick pass over the raw bytes of an iCalendar file that finds where its events and time
// zones are and peeks at the few properties that decide whether an event can matter for a day:
// the date part of DTSTART, recurrence and the UNTIL of its rules, RECURRENCE-ID, UID and a
// cancelled STATUS. It checks
// that components open and close properly and parses nothing else; libical reads the
// components that matter.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace agendix::scan::ical {

// A date as the number yyyymmdd, which orders like the date.
using DayNumber = std::int32_t;
inline constexpr DayNumber kUnknownDay = -1;

struct IndexedComponent {
    std::size_t offset = 0;  // of the BEGIN line
    std::size_t length = 0;  // through the END line and its line end
    std::uint32_t line = 0;  // line number of the BEGIN line, from 1
};

struct IndexedEvent : IndexedComponent {
    DayNumber startDay = kUnknownDay;  // from DTSTART's value, before any zone is applied
    // For a series whose rules all end by UNTIL and that has no RDATE: the latest of their
    // UNTIL dates and the DTSTART date, read as written. Unknown for every other event.
    DayNumber lastDay = kUnknownDay;
    bool recurring = false;   // has RRULE or RDATE
    bool isOverride = false;  // has RECURRENCE-ID
    bool cancelled = false;   // STATUS:CANCELLED
    std::string uid;          // kept for recurring events and overrides only
};

struct CalendarIndex {
    std::vector<IndexedEvent> events;         // in file order
    std::vector<IndexedComponent> timeZones;  // the VTIMEZONE components
};

// Indexes `text`, the contents of the file `fileName` (named in error messages). A leading
// byte-order mark, CR LF and LF line ends and folded lines are accepted. Throws CalendarFileError
// naming the file and line when the text is not iCalendar data or a component is not closed.
CalendarIndex IndexCalendar(std::string_view text, const std::string& fileName);

}  // namespace agendix::scan::ical
