#include "agenda/core/DateOption.h"

#include <charconv>

namespace agendix::agenda {

std::optional<scan::CalendarDate> ParseDateOption(std::string_view text) {
    scan::CalendarDate date;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t length, int& out) {
        const char* end = text.data() + at + length;
        return std::from_chars(text.data() + at, end, out).ptr == end;
    };
    if (!number(0, 4, date.year) || !number(5, 2, date.month) || !number(8, 2, date.day)) {
        return std::nullopt;
    }
    if (date.month < 1 || date.month > 12 || date.day < 1 ||
        scan::AddDays(date, 0) != date) {  // AddDays normalises 31 April and the like
        return std::nullopt;
    }
    return date;
}

}  // namespace agendix::agenda
