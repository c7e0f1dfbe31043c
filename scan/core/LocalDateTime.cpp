#include "scan/core/LocalDateTime.h"

#include <chrono>
#include <cstdio>

namespace agendix::scan {
namespace {

std::chrono::sys_days DaysOf(const CalendarDate& date) {
    using namespace std::chrono;
    return year_month_day{year{date.year}, month{static_cast<unsigned>(date.month)},
                          day{static_cast<unsigned>(date.day)}};
}

}  // namespace

CalendarDate AddDays(const CalendarDate& date, int days) {
    using namespace std::chrono;
    const year_month_day shifted{DaysOf(date) + std::chrono::days{days}};
    return {static_cast<int>(shifted.year()), static_cast<int>(unsigned{shifted.month()}),
            static_cast<int>(unsigned{shifted.day()})};
}

LocalDateTime StartOfDay(const CalendarDate& date) {
    return {date, 0, 0, 0};
}

std::int64_t SecondsBetween(const LocalDateTime& from, const LocalDateTime& to) {
    auto seconds = [](const LocalDateTime& moment) {
        return std::int64_t{DaysOf(moment.date).time_since_epoch().count()} * 86400 +
               moment.hour * 3600 + moment.minute * 60 + moment.second;
    };
    return seconds(to) - seconds(from);
}

std::string FormatHourMinute(const LocalDateTime& moment) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", moment.hour % 100, moment.minute % 100);
    return text;
}

}  // namespace agendix::scan
