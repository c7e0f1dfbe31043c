#include "scan/linux/RuleInstances.h"

#include <chrono>
#include <memory>

namespace agendix::scan {
namespace {

using IteratorPtr = std::unique_ptr<icalrecur_iterator, decltype(&icalrecur_iterator_free)>;

// Bounds the walk of one rule, so that a rule that never ends its search cannot hang a scan.
constexpr int kMaxRuleSteps = 200000;

icaltimetype IcalTimeOf(WallSeconds wall, bool isDate) {
    const LocalDateTime moment = FromWallSeconds(wall);
    icaltimetype value = icaltime_null_time();
    value.year = moment.date.year;
    value.month = moment.date.month;
    value.day = moment.date.day;
    value.is_date = isDate ? 1 : 0;
    if (!isDate) {
        value.hour = moment.hour;
        value.minute = moment.minute;
        value.second = moment.second;
    }
    return value;
}

// The values of a BY part; libical ends a list that is not full with a marker.
template <std::size_t N>
class ByList {
  public:
    explicit ByList(const short (&values)[N]) : values_(values) {}

    bool empty() const { return values_[0] == ICAL_RECURRENCE_ARRAY_MAX; }
    template <typename Predicate>
    bool any(Predicate predicate) const {
        for (std::size_t i = 0; i < N && values_[i] != ICAL_RECURRENCE_ARRAY_MAX; ++i) {
            if (predicate(values_[i])) {
                return true;
            }
        }
        return false;
    }

  private:
    const short (&values_)[N];
};

// One day of the calendar, with what the rule parts test.
struct Day {
    std::int64_t number = 0;  // days since 1970-01-01
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    int monthLength = 0;
    int weekday = 0;  // as libical counts: Sunday 1 to Saturday 7

    explicit Day(std::int64_t days) : number(days) {
        using namespace std::chrono;
        const sys_days date{std::chrono::days{days}};
        const year_month_day civil{date};
        year = static_cast<int>(civil.year());
        month = static_cast<int>(unsigned{civil.month()});
        dayOfMonth = static_cast<int>(unsigned{civil.day()});
        monthLength = static_cast<int>(
            unsigned{year_month_day_last{civil.year(), month_day_last{civil.month()}}.day()});
        weekday = static_cast<int>(std::chrono::weekday{date}.c_encoding()) + 1;
    }
};

std::int64_t FloorDivide(std::int64_t value, std::int64_t divisor) {
    return value / divisor - (value % divisor < 0 ? 1 : 0);
}

std::int64_t DayNumberOf(WallSeconds wall) {
    return FloorDivide(wall, kSecondsPerDay);
}

// libical counts the weeks of a WEEKLY rule with an INTERVAL from Monday to Sunday whatever
// the week start, and puts a lone Sunday into the week after; those rules are left to it.
bool WeeksAsLibicalCountsThem(const icalrecurrencetype& rule, const Day& first) {
    const bool mondayWeeks =
        rule.week_start == ICAL_MONDAY_WEEKDAY || rule.week_start == ICAL_NO_WEEKDAY;
    const ByList weekdays(rule.by_day);
    const bool sunday =
        weekdays.empty() ? first.weekday == ICAL_SUNDAY_WEEKDAY : weekdays.any([](short day) {
            return icalrecurrencetype_day_day_of_week(day) == ICAL_SUNDAY_WEEKDAY;
        });
    return mondayWeeks && !sunday;
}

bool IsSupported(const icalrecurrencetype& rule, const Day& first) {
    const bool yearly = rule.freq == ICAL_YEARLY_RECURRENCE;
    const bool monthly = rule.freq == ICAL_MONTHLY_RECURRENCE;
    const bool weekly = rule.freq == ICAL_WEEKLY_RECURRENCE;
    const bool daily = rule.freq == ICAL_DAILY_RECURRENCE;
    if (!yearly && !monthly && !weekly && !daily) {
        return false;
    }
    if ((rule.rscale && *rule.rscale) || !ByList(rule.by_second).empty() ||
        !ByList(rule.by_minute).empty() || !ByList(rule.by_hour).empty() ||
        !ByList(rule.by_year_day).empty() || !ByList(rule.by_week_no).empty() ||
        !ByList(rule.by_set_pos).empty()) {
        return false;
    }
    if (ByList(rule.by_month).any([](short month) {
            return icalrecurrencetype_month_is_leap(month) || month < 1 || month > 12;
        })) {
        return false;
    }
    const ByList monthDays(rule.by_month_day);
    if (monthDays.any([&](short day) { return weekly || day == 0 || (daily && day < 0); }) ||
        (yearly && !monthDays.empty() && ByList(rule.by_month).empty())) {
        return false;
    }
    // Numbered weekdays (the second Tuesday) count within a month here; libical's meaning of
    // them in other rules is left to it.
    const ByList weekdays(rule.by_day);
    if (weekdays.any([&](short day) {
            return yearly || (!monthly && icalrecurrencetype_day_position(day) != 0);
        })) {
        return false;
    }
    return !weekly || rule.interval <= 1 || WeeksAsLibicalCountsThem(rule, first);
}

bool MonthDayMatches(const icalrecurrencetype& rule, const Day& day) {
    const ByList days(rule.by_month_day);
    return days.empty() || days.any([&](short wanted) {
        return wanted > 0 ? day.dayOfMonth == wanted
                          : day.dayOfMonth == day.monthLength + 1 + wanted;
    });
}

bool WeekdayMatches(const icalrecurrencetype& rule, const Day& day) {
    const ByList days(rule.by_day);
    return days.empty() || days.any([&](short wanted) {
        if (static_cast<int>(icalrecurrencetype_day_day_of_week(wanted)) != day.weekday) {
            return false;
        }
        const int position = icalrecurrencetype_day_position(wanted);
        return position == 0 ||
               (position > 0 ? (day.dayOfMonth - 1) / 7 + 1 == position
                             : (day.monthLength - day.dayOfMonth) / 7 + 1 == -position);
    });
}

// The number of the week, Monday to Sunday, that `day` lies in: 1970-01-01 was a Thursday.
std::int64_t MondayWeekOf(const Day& day) {
    return FloorDivide(day.number + 3, 7);
}

bool InPeriod(const icalrecurrencetype& rule, const Day& first, const Day& day) {
    const std::int64_t interval = rule.interval > 0 ? rule.interval : 1;
    std::int64_t periods = 0;
    switch (rule.freq) {
        case ICAL_DAILY_RECURRENCE:
            periods = day.number - first.number;
            break;
        case ICAL_WEEKLY_RECURRENCE:
            periods = MondayWeekOf(day) - MondayWeekOf(first);
            break;
        case ICAL_MONTHLY_RECURRENCE:
            periods = (day.year - first.year) * 12 + day.month - first.month;
            break;
        default:
            periods = day.year - first.year;
            break;
    }
    return periods % interval == 0;
}

// Whether the rule begun on `first` has an instance on `day`. BYMONTH limits every rule; in a
// rule without its own BY parts the first day gives the weekday, day of month and month.
bool IsInstanceDay(const icalrecurrencetype& rule, const Day& first, const Day& day) {
    if (day.number < first.number || !InPeriod(rule, first, day)) {
        return false;
    }
    const ByList months(rule.by_month);
    if (!months.empty() && !months.any([&](short month) { return month == day.month; })) {
        return false;
    }
    const bool byDay = !ByList(rule.by_day).empty();
    const bool byMonthDay = !ByList(rule.by_month_day).empty();
    switch (rule.freq) {
        case ICAL_DAILY_RECURRENCE:
            return MonthDayMatches(rule, day) && WeekdayMatches(rule, day);
        case ICAL_WEEKLY_RECURRENCE:
            return byDay ? WeekdayMatches(rule, day) : day.weekday == first.weekday;
        case ICAL_MONTHLY_RECURRENCE:
            return byDay || byMonthDay ? MonthDayMatches(rule, day) && WeekdayMatches(rule, day)
                                       : day.dayOfMonth == first.dayOfMonth;
        default:
            return (!months.empty() || day.month == first.month) &&
                   (byMonthDay ? MonthDayMatches(rule, day) : day.dayOfMonth == first.dayOfMonth);
    }
}

}  // namespace

WallSeconds WallOf(const icaltimetype& value) {
    return ToWallSeconds({{value.year, value.month, value.day},
                          value.is_date ? 0 : value.hour,
                          value.is_date ? 0 : value.minute,
                          value.is_date ? 0 : value.second});
}

void WalkRule(const icalrecurrencetype& rule, WallSeconds walkFrom, bool isDate, WallSeconds last,
              const std::function<bool(WallSeconds)>& visit) {
    IteratorPtr iterator(icalrecur_iterator_new(rule, IcalTimeOf(walkFrom, isDate)),
                         icalrecur_iterator_free);
    if (!iterator) {
        return;
    }
    for (int step = 0; step < kMaxRuleSteps; ++step) {
        const icaltimetype next = icalrecur_iterator_next(iterator.get());
        if (icaltime_is_null_time(next)) {
            return;
        }
        const WallSeconds wall = WallOf(next);
        if (wall > last || !visit(wall)) {
            return;
        }
    }
}

std::optional<std::vector<WallSeconds>> CalculateRule(const icalrecurrencetype& rule,
                                                      WallSeconds start, WallRange window) {
    const Day first(DayNumberOf(start));
    if (!IsSupported(rule, first)) {
        return std::nullopt;
    }
    const WallSeconds timeOfDay = start - first.number * kSecondsPerDay;
    std::vector<WallSeconds> instances;
    for (std::int64_t number = DayNumberOf(window.first); number <= DayNumberOf(window.last);
         ++number) {
        const WallSeconds wall = number * kSecondsPerDay + timeOfDay;
        if (wall >= window.first && wall <= window.last &&
            IsInstanceDay(rule, first, Day(number))) {
            instances.push_back(wall);
        }
    }
    return instances;
}

}  // namespace agendix::scan
