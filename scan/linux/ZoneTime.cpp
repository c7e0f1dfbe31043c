#include "scan/linux/ZoneTime.h"

#include <libical/ical.h>

#include <array>
#include <chrono>
#include <ctime>
#include <optional>

#include "scan/linux/ZoneTransitions.h"

namespace agendix::scan {
namespace {

int UtcOffsetAt(std::int64_t utc, const TimeZoneRef& zone) {
    if (zone.transitions) {
        if (const std::optional<int> offset = zone.transitions->OffsetAt(utc)) {
            return *offset;
        }
    }
    icaltimetype moment =
        icaltime_from_timet_with_zone(static_cast<time_t>(utc), 0, icaltimezone_get_utc_timezone());
    int isDaylight = 0;
    return icaltimezone_get_utc_offset_of_utc_time(zone.zone, &moment, &isDaylight);
}

}  // namespace

WallSeconds ToWallSeconds(const LocalDateTime& moment) {
    using namespace std::chrono;
    const year_month_day date{year{moment.date.year},
                              month{static_cast<unsigned>(moment.date.month)},
                              day{static_cast<unsigned>(moment.date.day)}};
    const std::int64_t days = sys_days{date}.time_since_epoch().count();
    return days * kSecondsPerDay + moment.hour * 3600 + moment.minute * 60 + moment.second;
}

LocalDateTime FromWallSeconds(WallSeconds wall) {
    using namespace std::chrono;
    std::int64_t days = wall / kSecondsPerDay;
    std::int64_t rest = wall % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    const year_month_day date{sys_days{std::chrono::days{days}}};
    const int seconds = static_cast<int>(rest);
    return {{static_cast<int>(date.year()), static_cast<int>(unsigned{date.month()}),
             static_cast<int>(unsigned{date.day()})},
            seconds / 3600,
            seconds / 60 % 60,
            seconds % 60};
}

ZonedInstant WallToUtc(WallSeconds wall, const TimeZoneRef& zone) {
    // Zones change their offset at most once around any one day: the offsets a day before and a
    // day after are the only candidates, and a candidate holds when the instant it gives really
    // has that offset.
    const int offsetBefore = UtcOffsetAt(wall - kSecondsPerDay, zone);
    const int offsetAfter = UtcOffsetAt(wall + kSecondsPerDay, zone);
    if (offsetBefore == offsetAfter) {
        return {wall - offsetBefore, false};
    }
    bool found = false;
    std::int64_t earliest = 0;
    for (const int offset : std::array{offsetBefore, offsetAfter}) {
        const std::int64_t utc = wall - offset;
        if (UtcOffsetAt(utc, zone) == offset && (!found || utc < earliest)) {
            earliest = utc;
            found = true;
        }
    }
    if (found) {
        return {earliest, false};
    }
    return {wall - offsetBefore, true};
}

WallSeconds UtcToWall(std::int64_t utc, const TimeZoneRef& zone) {
    return utc + UtcOffsetAt(utc, zone);
}

Moment MomentOf(WallSeconds wall, const TimeZoneRef& zone, bool* nonexistent) {
    switch (zone.kind) {
        case TimeZoneRef::Kind::Utc:
            return {false, wall};
        case TimeZoneRef::Kind::Zoned: {
            const ZonedInstant instant = WallToUtc(wall, zone);
            if (nonexistent) {
                *nonexistent = instant.nonexistent;
            }
            return {false, instant.utc};
        }
        case TimeZoneRef::Kind::Floating:
            break;
    }
    return {true, wall};
}

LocalDateTime ToLocal(const Moment& moment) {
    if (moment.floating) {
        return FromWallSeconds(moment.seconds);
    }
    const auto time = static_cast<std::time_t>(moment.seconds);
    std::tm local{};
    if (!localtime_r(&time, &local)) {
        return FromWallSeconds(moment.seconds);
    }
    return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
            local.tm_hour,
            local.tm_min,
            local.tm_sec};
}

}  // namespace agendix::scan
