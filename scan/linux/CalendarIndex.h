#pragma once

// A quick pass over the raw bytes of an iCalendar file that finds where its events and time
// zones are and peeks at the few properties that decide whether an event can matter for a day:
// the date part of DTSTART, recurrence and the UNTIL of its rules, RECURRENCE-ID, UID and a
// cancelled STATUS. It checks that components open and close properly and parses nothing else;
// libical reads the components that matter. The file is read a buffer at a time and only the
// lines a later reading needs are kept, so a large file is never held whole.

#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "scan/core/LocalDateTime.h"

namespace agendix::scan {

// A date as the number yyyymmdd, which orders like the date.
using DayNumber = std::int32_t;
inline constexpr DayNumber kUnknownDay = -1;

inline DayNumber DayNumberOf(const CalendarDate& date) {
    return date.year * 10000 + date.month * 100 + date.day;
}

inline CalendarDate DateOf(DayNumber day) {
    return {day / 10000, day / 100 % 100, day % 100};
}

// The days from `first` through `last`; every day unless narrowed.
struct DayRange {
    DayNumber first = std::numeric_limits<DayNumber>::min();
    DayNumber last = std::numeric_limits<DayNumber>::max();

    bool Contains(DayNumber day) const { return first <= day && day <= last; }
    bool Contains(const DayRange& days) const { return first <= days.first && days.last <= last; }
};

struct TextRange {
    std::size_t offset = 0;
    std::size_t length = 0;
};

struct IndexedComponent {
    std::size_t offset = 0;  // of the BEGIN line in the file
    std::size_t length = 0;  // through the END line and its line end
    std::uint32_t line = 0;  // line number of the BEGIN line, from 1
    TextRange kept;          // its lines in CalendarIndex::text (see there)
};

struct IndexedEvent : IndexedComponent {
    DayNumber startDay = kUnknownDay;  // from DTSTART's value, before any zone is applied
    // For a series whose rules all end by UNTIL and that has no RDATE: the latest of their
    // UNTIL dates and the DTSTART date, read as written. Unknown for every other event.
    DayNumber lastDay = kUnknownDay;
    bool recurring = false;   // has RRULE or RDATE
    bool isOverride = false;  // has RECURRENCE-ID
    bool cancelled = false;   // STATUS:CANCELLED
    std::string uid;          // kept for the events whose text is kept
};

struct CalendarIndex {
    std::vector<IndexedEvent> events;         // in file order
    std::vector<IndexedComponent> timeZones;  // the VTIMEZONE components
    // The lines kept for reading the components later, as written (line ends and folds
    // included): every VTIMEZONE whole, and the properties of its own that ReadEvent reads of
    // every series, override and event whose start day is unknown or among the kept days.
    // Nothing else of the file is kept.
    std::string text;
    DayRange keptDays;

    std::string_view Text(const IndexedComponent& component) const {
        return std::string_view(text).substr(component.kept.offset, component.kept.length);
    }
};

// Reads up to `size` more bytes of a file into `buffer` and returns how many: 0 at its end.
using FileReader = std::function<std::size_t(char* buffer, std::size_t size)>;

// Indexes the file `fileName` (named in error messages) of about `size` bytes as `read` gives
// it, keeping the text of the single events that start on `keptDays`. A leading byte-order
// mark, CR LF and LF line ends and folded lines are accepted. Throws CalendarFileError naming
// the file and line when the text is not iCalendar data or a component is not closed; what
// `read` throws goes through.
CalendarIndex IndexCalendar(const FileReader& read, std::size_t size, const DayRange& keptDays,
                            const std::string& fileName);

// Indexes `text`, the contents of the file `fileName`, keeping the text of every event.
CalendarIndex IndexCalendar(std::string_view text, const std::string& fileName);

}  // namespace agendix::scan
