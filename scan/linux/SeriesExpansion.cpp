#include "scan/linux/SeriesExpansion.h"

#include <libical/ical.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <set>

#include "scan/linux/RuleInstances.h"

namespace agendix::scan {
namespace {

bool IsFloating(const EventTime& time) {
    return time.zone.kind == TimeZoneRef::Kind::Floating;
}

// A value of an EXDATE, RDATE, RECURRENCE-ID or UNTIL as a moment comparable with the series'
// own: floating values are read in the series' zone, and a floating series sees zoned values
// at their local time.
Moment SeriesMomentOf(const EventTime& time, const EventTime& seriesStart) {
    if (IsFloating(seriesStart)) {
        return IsFloating(time) ? Moment{true, time.wall}
                                : Moment{true, ToWallSeconds(ToLocal(MomentOf(time)))};
    }
    return MomentOf(time.wall, IsFloating(time) ? seriesStart.zone : time.zone);
}

// Identifies an occurrence within its series; an all-day series matches by date.
std::int64_t MatchKey(const Moment& moment, bool allDay) {
    if (!allDay) {
        return moment.seconds;
    }
    std::int64_t day = moment.seconds / kSecondsPerDay;
    if (moment.seconds % kSecondsPerDay < 0) {
        --day;
    }
    return day;
}

std::optional<Moment> UntilOf(const icaltimetype& until, const EventTime& seriesStart) {
    if (icaltime_is_null_time(until)) {
        return std::nullopt;
    }
    EventTime limit;
    limit.wall = WallOf(until);
    limit.zone = seriesStart.zone;
    if (until.is_date) {
        limit.wall += kSecondsPerDay - 1;  // UNTIL is inclusive: the whole day
    } else if (icaltime_is_utc(until)) {
        limit.zone.kind = TimeZoneRef::Kind::Utc;
    }
    return SeriesMomentOf(limit, seriesStart);
}

// A later start for walking the rule, a whole number of its periods after `start` and less
// than one period before `before`: the rule repeats itself from period to period, so the
// instances from there on are the same, and the iterator need not walk the years in between
// (libical's own skipping is slow for intervals above one). That start is no instance of its
// own, but it lies before `before`. Rules whose periods differ in length on a date not every
// period has (the 31st, 29 February) are walked from their start.
WallSeconds FastForwardedStart(const icalrecurrencetype& rule, const EventTime& start,
                               WallSeconds before) {
    if (before <= start.wall) {
        return start.wall;
    }
    const std::int64_t interval = std::max<std::int64_t>(1, rule.interval);
    std::int64_t period = 0;
    switch (rule.freq) {
        case ICAL_SECONDLY_RECURRENCE:
            period = 1;
            break;
        case ICAL_MINUTELY_RECURRENCE:
            period = 60;
            break;
        case ICAL_HOURLY_RECURRENCE:
            period = 3600;
            break;
        case ICAL_DAILY_RECURRENCE:
            period = kSecondsPerDay;
            break;
        case ICAL_WEEKLY_RECURRENCE:
            period = 7 * kSecondsPerDay;
            break;
        default:
            break;
    }
    if (period > 0) {
        return start.wall + (before - 1 - start.wall) / (period * interval) * period * interval;
    }
    const LocalDateTime first = FromWallSeconds(start.wall);
    const bool yearly = rule.freq == ICAL_YEARLY_RECURRENCE;
    if ((!yearly && rule.freq != ICAL_MONTHLY_RECURRENCE) || first.date.day > 28) {
        return start.wall;
    }
    const LocalDateTime limit = FromWallSeconds(before);
    const std::int64_t months = (yearly ? 12 : 1) * interval;
    const std::int64_t monthsBetween =
        (limit.date.year - first.date.year) * 12 + limit.date.month - first.date.month;
    for (std::int64_t periods = monthsBetween / months; periods > 0; --periods) {
        LocalDateTime moved = first;
        const std::int64_t month = first.date.month - 1 + periods * months;
        moved.date.year += static_cast<int>(month / 12);
        moved.date.month = static_cast<int>(month % 12) + 1;
        if (ToWallSeconds(moved) < before) {
            return ToWallSeconds(moved);
        }
    }
    return start.wall;
}

// Appends the starts of the rule's instances whose wall-clock reading lies in `window`. COUNT
// and UNTIL are applied here rather than by libical, which compares UNTIL with readings of an
// unknown zone and counts instances that RFC 5545 ignores (those in a daylight-saving gap).
void AddRuleInstances(const std::string& ruleText, const EventTime& start, WallRange window,
                      std::vector<Moment>& starts) {
    icalrecurrencetype rule = icalrecurrencetype_from_string(ruleText.c_str());
    // libical leaves the RSCALE name it read to its caller.
    const std::unique_ptr<char, decltype(&std::free)> scale(rule.rscale, &std::free);
    if (rule.freq == ICAL_NO_RECURRENCE) {
        return;
    }
    const int count = rule.count;
    const std::optional<Moment> until = UntilOf(rule.until, start);
    rule.count = 0;
    rule.until = icaltime_null_time();

    int counted = 0;
    const auto take = [&](WallSeconds wall) {
        bool nonexistent = false;
        const Moment moment = MomentOf(wall, start.zone, &nonexistent);
        if (wall < start.wall || (nonexistent && wall != start.wall)) {
            return true;
        }
        if ((count > 0 && ++counted > count) || (until && moment.seconds > until->seconds)) {
            return false;
        }
        if (wall >= window.first) {
            starts.push_back(moment);
        }
        return true;
    };
    // Counted rules are walked from their start: every instance before the window counts.
    if (count > 0) {
        WalkRule(rule, start.wall, start.isDate, window.last, take);
    } else if (const auto instances = CalculateRule(rule, start.wall, window)) {
        for (const WallSeconds wall : *instances) {
            if (!take(wall)) {
                break;
            }
        }
    } else {
        WalkRule(rule, FastForwardedStart(rule, start, window.first), start.isDate, window.last,
                 take);
    }
}

bool InSpan(const Moment& start, const LocalDateTime& from, const LocalDateTime& until) {
    const LocalDateTime local = ToLocal(start);
    return from <= local && local < until;
}

}  // namespace

std::vector<Occurrence> OccurrencesBetween(const EventData& series,
                                           const std::vector<const EventData*>& overrides,
                                           const LocalDateTime& from, const LocalDateTime& until) {
    const EventTime& start = series.start;
    const bool allDay = start.isDate;
    // Two days either side cover any difference between the series' zone and the local one.
    const WallRange window{ToWallSeconds(StartOfDay(AddDays(from.date, -2))),
                           ToWallSeconds(StartOfDay(AddDays(until.date, 2)))};

    std::vector<Moment> starts;
    if (start.wall >= window.first && start.wall <= window.last) {
        starts.push_back(MomentOf(start));
    }
    for (const std::string& rule : series.rules) {
        AddRuleInstances(rule, start, window, starts);
    }
    for (const EventTime& date : series.recurrenceDates) {
        starts.push_back(SeriesMomentOf(date, start));
    }

    std::set<std::int64_t> excluded;
    for (const EventTime& date : series.exceptionDates) {
        excluded.insert(MatchKey(SeriesMomentOf(date, start), allDay));
    }
    std::map<std::int64_t, const EventData*> replaced;  // a later override of the same one wins
    for (const EventData* change : overrides) {
        if (change->recurrenceId) {
            replaced[MatchKey(SeriesMomentOf(*change->recurrenceId, start), allDay)] = change;
        }
    }

    std::vector<Occurrence> occurrences;
    std::set<std::int64_t> seen;
    for (const Moment& moment : starts) {
        const std::int64_t key = MatchKey(moment, allDay);
        if (seen.insert(key).second && !excluded.contains(key) && !replaced.contains(key) &&
            InSpan(moment, from, until)) {
            occurrences.push_back(
                {moment, AddDuration(moment, series.duration, start.zone), &series});
        }
    }
    for (const auto& [key, change] : replaced) {
        const Moment moment = MomentOf(change->start);
        if (!change->cancelled && !excluded.contains(key) && InSpan(moment, from, until)) {
            const EventDuration& duration = change->hasOwnEnd ? change->duration : series.duration;
            occurrences.push_back(
                {moment, AddDuration(moment, duration, change->start.zone), change});
        }
    }
    std::stable_sort(occurrences.begin(), occurrences.end(),
                     [](const Occurrence& a, const Occurrence& b) {
                         return ToLocal(a.start) < ToLocal(b.start);
                     });
    return occurrences;
}

}  // namespace agendix::scan
