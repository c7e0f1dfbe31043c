#include "LocalDateTime.h"

#include <chrono>
#include <cstdio>

namespace agendix::scan {

CalendarDate AddDays(const CalendarDate& date, int days) {
    using namespace std::chrono;
    const year_month_day ymd{year{date.year}, month{static_cast<unsigned>(date.month)},
                             day{static_cast<unsigned>(date.day)}};
    const year_month_day shifted{sys_days{ymd} + std::chrono::days{days}};
    return {static_cast<int>(shifted.year()), static_cast<int>(unsigned{shifted.month()}),
            static_cast<int>(unsigned{shifted.day()})};
}

LocalDateTime StartOfDay(const CalendarDate& date) {
    return {date, 0, 0, 0};
}

std::string FormatHourMinute(const LocalDateTime& moment) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", moment.hour % 100, moment.minute % 100);
    return text;
}

}  // namespace agendix::scan
