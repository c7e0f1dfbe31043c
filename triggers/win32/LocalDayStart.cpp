#include "triggers/win32/LocalDayStart.h"

#include <windows.h>

#include <cstdint>

#include "triggers/core/NextDayStart.h"

namespace agendix::triggers {

using namespace std::chrono;

namespace {

// A FILETIME counts 100-nanosecond intervals since 1 January 1601 (UTC).
constexpr sys_days kFileTimeEpoch = 1601y / 1 / 1;
constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;

}  // namespace

year_month_day SystemLocalDate(sys_seconds moment) {
    const auto ticks = static_cast<std::uint64_t>((moment - kFileTimeEpoch).count()) *
                       static_cast<std::uint64_t>(kFileTimeTicksPerSecond);
    const FILETIME utcTicks{static_cast<DWORD>(ticks & 0xFFFFFFFFU),
                            static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!FileTimeToSystemTime(&utcTicks, &utc)) {
        return year_month_day(floor<days>(moment));
    }
    // Without a zone of its own (nullptr) the conversion takes the zone the system has now. Should
    // it fail, the UTC date stands in: the next day start is then at most a day off, never lost.
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) {
        return year_month_day(floor<days>(moment));
    }
    return year(local.wYear) / month(local.wMonth) / day(local.wDay);
}

sys_seconds NextLocalDayStart(sys_seconds now) {
    return NextDayStart(now, SystemLocalDate);
}

}  // namespace agendix::triggers
