#include <gtest/gtest.h>

#include <vector>

#include "triggers/core/NextDayStart.h"

namespace agendix::triggers {
namespace {

using namespace std::chrono;

constexpr sys_seconds Utc(year_month_day date, hours hour, minutes minute = minutes(0)) {
    return sys_days(date) + hour + minute;
}

// A zone of its own: the offset from UTC that holds from each moment on (the first from the
// beginning of time). The search sees nothing but the dates it gives, as with the system's zones.
LocalDateAt Zone(std::vector<std::pair<sys_seconds, seconds>> offsets) {
    return [offsets = std::move(offsets)](sys_seconds moment) {
        seconds offset = offsets.front().second;
        for (const auto& [from, value] : offsets) {
            if (moment >= from) {
                offset = value;
            }
        }
        return year_month_day(floor<days>(moment + offset));
    };
}

// The search without the system's zone data, so that it runs alike wherever the tests run: an
// ordinary day, midnight itself, clock changes that skip midnight or a whole day, and a date
// that never changes.
TEST(NextDayStart, FindsTheFirstSecondOfTheNextLocalDate) {
    const LocalDateAt plusTwo = Zone({{sys_seconds(), hours(2)}});
    EXPECT_EQ(NextDayStart(Utc(2024y / 6 / 10, 13h), plusTwo), Utc(2024y / 6 / 10, 22h));
    EXPECT_EQ(NextDayStart(Utc(2024y / 6 / 10, 22h), plusTwo), Utc(2024y / 6 / 11, 22h))
        << "exactly at midnight: the next one";
    EXPECT_EQ(NextDayStart(Utc(2024y / 6 / 10, 21h, 59min) + 59s, plusTwo),
              Utc(2024y / 6 / 10, 22h))
        << "a second before midnight";

    // Summer time begins at 00:00 (UTC-3 to UTC-2): the day starts at 01:00.
    const LocalDateAt skipsMidnight =
        Zone({{sys_seconds(), -hours(3)}, {Utc(2018y / 11 / 4, 3h), -hours(2)}});
    EXPECT_EQ(NextDayStart(Utc(2018y / 11 / 3, 15h), skipsMidnight), Utc(2018y / 11 / 4, 3h));

    // From UTC-10 to UTC+14 at midnight: 30 December is skipped, 29 December ends at 31 December.
    const LocalDateAt skipsADay =
        Zone({{sys_seconds(), -hours(10)}, {Utc(2011y / 12 / 30, 10h), hours(14)}});
    EXPECT_EQ(NextDayStart(Utc(2011y / 12 / 29, 22h), skipsADay), Utc(2011y / 12 / 30, 10h));

    const LocalDateAt stuck = [](sys_seconds) { return 2024y / 6 / 10; };
    EXPECT_EQ(NextDayStart(Utc(2024y / 6 / 10, 13h), stuck), Utc(2024y / 6 / 12, 13h))
        << "no change within two days: two days on";
}

}  // namespace
}  // namespace agendix::triggers
