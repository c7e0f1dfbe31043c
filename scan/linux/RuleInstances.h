#pragma once

// The instances of one recurrence rule (RFC 5545 §3.3.10) as wall-clock readings, either walked
// with libical's iterator or, for the common rules, calculated from the calendar dates of the
// days asked for. COUNT and UNTIL are the caller's business: both must be cleared in the rule.

#include <libical/ical.h>

#include <functional>
#include <optional>
#include <vector>

#include "scan/linux/ZoneTime.h"

namespace agendix::scan {

struct WallRange {
    WallSeconds first = 0;
    WallSeconds last = 0;  // included
};

// The wall-clock reading of a libical date or date-time.
WallSeconds WallOf(const icaltimetype& value);

// Calls `visit` with each instance that libical's iterator gives for `rule` begun at
// `walkFrom`, earliest first through `last`, until `visit` returns false.
void WalkRule(const icalrecurrencetype& rule, WallSeconds walkFrom, bool isDate, WallSeconds last,
              const std::function<bool(WallSeconds)>& visit);

// The instances of `rule` begun at `start` that lie in `window`, earliest first, found by
// testing each day of the window against the rule: the days WalkRule gives from `start`, for
// DAILY, WEEKLY, MONTHLY and YEARLY rules whose only parts are INTERVAL, WKST, BYMONTH and
// BYMONTHDAY, and BYDAY other than in a YEARLY rule. Empty optional for every other rule, which
// is left to WalkRule.
std::optional<std::vector<WallSeconds>> CalculateRule(const icalrecurrencetype& rule,
                                                      WallSeconds start, WallRange window);

}  // namespace agendix::scan
