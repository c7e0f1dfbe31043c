#pragma once

// The occurrences of a recurring event (RFC 5545 §3.8.5) that start in a span of local time.

#include <vector>

#include "scan/linux/EventData.h"

namespace agendix::scan {

struct Occurrence {
    Moment start;
    Moment end;
    const EventData* source = nullptr;  // the series, or the override that replaced it
};

// Every occurrence of `series` (its rules, RDATEs and DTSTART, less its EXDATEs, with
// `overrides` in place of the occurrences they replace) whose local start lies in
// [from, until), earliest first. Cancelled overrides leave their occurrence out. The rules are
// not walked from the series' first occurrence unless they have a COUNT.
std::vector<Occurrence> OccurrencesBetween(const EventData& series,
                                           const std::vector<const EventData*>& overrides,
                                           const LocalDateTime& from, const LocalDateTime& until);

}  // namespace agendix::scan
