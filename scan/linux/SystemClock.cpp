#include "scan/linux/SystemClock.h"

#include <ctime>

namespace agendix::scan {

LocalDateTime SystemClock::Now() const {
    const std::time_t now = std::time(nullptr);
    // localtime_r keeps the zone it read first; tzset reads a changed TZ or /etc/localtime.
    tzset();
    std::tm local{};
    localtime_r(&now, &local);
    return {{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday},
            local.tm_hour,
            local.tm_min,
            local.tm_sec};
}

}  // namespace agendix::scan
