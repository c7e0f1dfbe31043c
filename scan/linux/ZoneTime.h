#pragma once

// Moments of calendar data and their conversion to the machine's local time. A moment is either
// an instant (seconds since the epoch, UTC) or a floating wall-clock reading that is never
// converted. Wall-clock readings are counted in seconds since 1970-01-01T00:00 of the
// proleptic Gregorian calendar, without any zone.

#include <compare>
#include <cstdint>

#include "scan/core/LocalDateTime.h"

struct _icaltimezone;

namespace agendix::scan {

class ZoneTransitions;

using WallSeconds = std::int64_t;
inline constexpr std::int64_t kSecondsPerDay = 86400;

WallSeconds ToWallSeconds(const LocalDateTime& moment);
LocalDateTime FromWallSeconds(WallSeconds wall);

struct Moment {
    bool floating = false;
    std::int64_t seconds = 0;  // UTC seconds of an instant, WallSeconds of a floating moment

    auto operator<=>(const Moment&) const = default;
};

// How the wall-clock readings of a property are to be read.
struct TimeZoneRef {
    enum class Kind { Floating, Utc, Zoned };
    Kind kind = Kind::Floating;
    _icaltimezone* zone = nullptr;  // for Zoned; owned elsewhere
    // For a zone of the system's database: its offset changes, consulted before `zone`.
    const ZoneTransitions* transitions = nullptr;
};

struct ZonedInstant {
    std::int64_t utc = 0;
    bool nonexistent = false;  // the reading falls in a gap of the zone (a clock jump forward)
};

// The instant of a wall-clock reading in `zone`, a Zoned one. A reading in a gap takes the offset
// from before the gap; an ambiguous one (clocks turned back) is the first of its two instants.
ZonedInstant WallToUtc(WallSeconds wall, const TimeZoneRef& zone);

// The wall-clock reading of an instant in `zone`.
WallSeconds UtcToWall(std::int64_t utc, const TimeZoneRef& zone);

// The moment of a wall-clock reading in `zone`; sets *nonexistent for a reading in a gap.
Moment MomentOf(WallSeconds wall, const TimeZoneRef& zone, bool* nonexistent = nullptr);

// The moment as a local date and time of the machine's zone (TZ honoured); floating moments are
// taken as they are.
LocalDateTime ToLocal(const Moment& moment);

}  // namespace agendix::scan
