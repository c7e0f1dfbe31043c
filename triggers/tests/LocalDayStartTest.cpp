#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include "triggers/core/NextDayStart.h"
#include "triggers/linux/LocalDayStart.h"

namespace agendix::triggers {
namespace {

using namespace std::chrono;

// Sets TZ (and tzset) for its lifetime, then restores the previous value.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* previous = std::getenv("TZ")) {
            previous_ = previous;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    std::optional<std::string> previous_;
};

constexpr sys_seconds Utc(year_month_day date, hours hour, minutes minute = minutes(0)) {
    return sys_days(date) + hour + minute;
}

struct DayStartCase {
    const char* zone;
    sys_seconds now;
    sys_seconds expected;
    const char* what;
};

// Real zones from the system's zone data, ordinary days and days whose clock changes, including
// changes at midnight that make midnight happen late or not at all, and a day that was skipped.
TEST(LocalDayStart, IsTheFirstMomentOfTheFollowingLocalDay) {
    const DayStartCase cases[] = {
        {"Europe/Berlin", Utc(2024y / 6 / 10, 13h), Utc(2024y / 6 / 10, 22h), "summer day"},
        {"Europe/Berlin", Utc(2024y / 1 / 10, 13h), Utc(2024y / 1 / 10, 23h), "winter day"},
        {"Europe/Berlin", Utc(2024y / 3 / 31, 10h), Utc(2024y / 3 / 31, 22h),
         "23-hour day (summer time begins at 02:00)"},
        {"Europe/Berlin", Utc(2024y / 10 / 27, 10h), Utc(2024y / 10 / 27, 23h),
         "25-hour day (summer time ends at 03:00)"},
        {"Europe/Berlin", Utc(2024y / 6 / 10, 22h), Utc(2024y / 6 / 11, 22h),
         "exactly at midnight: the next one"},
        {"Europe/Berlin", Utc(2024y / 6 / 10, 21h, 59min) + 59s, Utc(2024y / 6 / 10, 22h),
         "a second before midnight"},
        {"America/Sao_Paulo", Utc(2018y / 11 / 3, 15h), Utc(2018y / 11 / 4, 3h),
         "summer time begins at 00:00: the day starts at 01:00"},
        {"America/Sao_Paulo", Utc(2018y / 2 / 17, 15h), Utc(2018y / 2 / 18, 3h),
         "summer time ends at 00:00: the clock goes back to 23:00 first"},
        {"America/Sao_Paulo", Utc(2018y / 2 / 18, 2h, 30min), Utc(2018y / 2 / 18, 3h),
         "in the repeated hour before midnight"},
        {"Pacific/Apia", Utc(2011y / 12 / 29, 22h), Utc(2011y / 12 / 30, 10h),
         "30 December 2011 skipped: 29 December ends at 31 December 00:00"},
        {"Asia/Kathmandu", Utc(2024y / 1 / 1, 6h), Utc(2024y / 1 / 1, 18h, 15min),
         "offset of 5:45"},
        {"UTC", Utc(2024y / 2 / 28, 12h), Utc(2024y / 2 / 29, 0h), "leap day follows"},
    };
    for (const DayStartCase& test : cases) {
        ScopedTimeZone zone(test.zone);
        EXPECT_EQ(NextDayStart(test.now, SystemLocalDate), test.expected)
            << test.zone << ": " << test.what;
    }
}

// A zone set after the process read its zone (TZ here; /etc/localtime on a desktop) counts.
TEST(LocalDayStart, LocalDayStartReadsTheZoneAfresh) {
    const sys_seconds now = Utc(2024y / 6 / 10, 13h);
    ScopedTimeZone zone("Asia/Tokyo");
    EXPECT_EQ(NextLocalDayStart(now), Utc(2024y / 6 / 10, 15h));
    setenv("TZ", "America/New_York", 1);
    EXPECT_EQ(NextLocalDayStart(now), Utc(2024y / 6 / 11, 4h));
}

}  // namespace
}  // namespace agendix::triggers
