#include "triggers/core/NextDayStart.h"

namespace agendix::triggers {

using namespace std::chrono;

namespace {

// Local days last at most 25 hours, and clock changes move by an hour or two: hourly steps find
// the hour in which the date changes; halving that hour finds the second.
constexpr seconds kStep = hours(1);
constexpr seconds kHorizon = hours(48);

}  // namespace

sys_seconds NextDayStart(sys_seconds now, const LocalDateAt& localDate) {
    const year_month_day today = localDate(now);
    const auto changed = [&](sys_seconds moment) { return localDate(moment) != today; };
    sys_seconds before = now;
    sys_seconds after = now + kStep;
    while (!changed(after)) {
        if (after - now >= kHorizon) {
            return after;
        }
        before = after;
        after += kStep;
    }
    while (after - before > seconds(1)) {
        const sys_seconds middle = before + (after - before) / 2;
        (changed(middle) ? after : before) = middle;
    }
    return after;
}

}  // namespace agendix::triggers
