#include <gtest/gtest.h>
#include <windows.h>

#include "triggers/win32/LocalDayStart.h"

namespace agendix::triggers {
namespace {

using namespace std::chrono;

constexpr sys_seconds Utc(year_month_day date, hours hour, minutes minute = minutes(0)) {
    return sys_days(date) + hour + minute;
}

// ctest runs these tests with TZ=Europe/Berlin, which Wine turns into the system's zone (W.
// Europe Standard Time, 60 minutes ahead of UTC); elsewhere they are skipped.
bool InCentralEurope() {
    TIME_ZONE_INFORMATION zone{};
    return GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID && zone.Bias == -60;
}

// Windows' conversion in the system's zone, with its summer and winter time, on ordinary days
// and the days the clock changes.
TEST(Win32LocalDayStart, LocalDateAndNextDayStartFollowTheSystemZone) {
    if (!InCentralEurope()) {
        GTEST_SKIP() << "the system's zone is not Central European Time";
    }
    EXPECT_EQ(SystemLocalDate(Utc(2024y / 6 / 10, 21h, 59min) + 59s), 2024y / 6 / 10);
    EXPECT_EQ(SystemLocalDate(Utc(2024y / 6 / 10, 22h)), 2024y / 6 / 11) << "summer time";
    EXPECT_EQ(SystemLocalDate(Utc(2024y / 1 / 10, 22h, 59min) + 59s), 2024y / 1 / 10);
    EXPECT_EQ(SystemLocalDate(Utc(2024y / 1 / 10, 23h)), 2024y / 1 / 11) << "winter time";

    EXPECT_EQ(NextLocalDayStart(Utc(2024y / 6 / 10, 13h)), Utc(2024y / 6 / 10, 22h));
    EXPECT_EQ(NextLocalDayStart(Utc(2024y / 3 / 31, 10h)), Utc(2024y / 3 / 31, 22h))
        << "23-hour day (summer time begins at 02:00)";
    EXPECT_EQ(NextLocalDayStart(Utc(2024y / 10 / 27, 10h)), Utc(2024y / 10 / 27, 23h))
        << "25-hour day (summer time ends at 03:00)";
    EXPECT_EQ(NextLocalDayStart(Utc(2024y / 6 / 10, 22h)), Utc(2024y / 6 / 11, 22h))
        << "exactly at midnight: the next one";
}

}  // namespace
}  // namespace agendix::triggers
