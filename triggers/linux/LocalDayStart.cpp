#include "triggers/linux/LocalDayStart.h"

#include <ctime>

#include "triggers/core/NextDayStart.h"

namespace agendix::triggers {

using namespace std::chrono;

year_month_day SystemLocalDate(sys_seconds moment) {
    const std::time_t time = system_clock::to_time_t(moment);
    std::tm local{};
    localtime_r(&time, &local);
    return year(local.tm_year + 1900) / month(static_cast<unsigned>(local.tm_mon + 1)) /
           day(static_cast<unsigned>(local.tm_mday));
}

sys_seconds NextLocalDayStart(sys_seconds now) {
    tzset();  // localtime_r keeps the zone it first read; tzset reads TZ and /etc/localtime again
    return NextDayStart(now, SystemLocalDate);
}

}  // namespace agendix::triggers
