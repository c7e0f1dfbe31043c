#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>

#include "scan/core/LocalDateTime.h"
#include "scan/win32/SystemClock.h"

namespace agendix::scan::testing {
namespace {

using namespace std::chrono;

sys_seconds AsUtc(const LocalDateTime& time) {
    return sys_days(year(time.date.year) / month(static_cast<unsigned>(time.date.month)) /
                    day(static_cast<unsigned>(time.date.day))) +
           hours(time.hour) + minutes(time.minute) + seconds(time.second);
}

// ctest runs this test with TZ=Europe/Berlin, which Wine turns into the system's zone (W. Europe
// Standard Time); elsewhere it is skipped.
TEST(Win32SystemClock, IsTheWallClockOfTheSystemZone) {
    TIME_ZONE_INFORMATION zone{};
    if (GetTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID || zone.Bias != -60) {
        GTEST_SKIP() << "the system's zone is not Central European Time";
    }
    const sys_seconds before = floor<seconds>(system_clock::now());
    const sys_seconds local = AsUtc(SystemClock().Now());
    const sys_seconds after = floor<seconds>(system_clock::now());
    // An hour ahead of UTC in winter, two in summer.
    EXPECT_TRUE((local >= before + hours(1) && local <= after + hours(1)) ||
                (local >= before + hours(2) && local <= after + hours(2)))
        << (local - before).count() << " s ahead of UTC";
}

}  // namespace
}  // namespace agendix::scan::testing
