#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace agendix::scan {

// A calendar date in the proleptic Gregorian calendar.
struct CalendarDate {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31

    auto operator<=>(const CalendarDate&) const = default;
};

// A wall-clock moment in the machine's local time zone, without a zone of its own.
struct LocalDateTime {
    CalendarDate date;
    int hour = 0;
    int minute = 0;
    int second = 0;

    auto operator<=>(const LocalDateTime&) const = default;
};

// The date `days` calendar days after `date` (before it for a negative count).
CalendarDate AddDays(const CalendarDate& date, int days);

// Midnight at the start of `date`.
LocalDateTime StartOfDay(const CalendarDate& date);

// The wall-clock seconds from `from` to `to` (negative when `to` is earlier), counting every day
// as 24 hours.
std::int64_t SecondsBetween(const LocalDateTime& from, const LocalDateTime& to);

// "hh:mm": two-digit hour 00..23, colon, two-digit minute.
std::string FormatHourMinute(const LocalDateTime& moment);

}  // namespace agendix::scan
