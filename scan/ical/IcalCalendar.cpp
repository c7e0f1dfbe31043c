#include "IcalCalendar.h"

#include <cstdlib>

namespace agendix::scan::ical {

CalendarLocation DefaultCalendarLocation(const EnvironmentLookup&) {
    throw CalendarError("the iCalendar source is not built yet");
}

std::optional<std::string> ProcessEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::optional<std::string>(value) : std::nullopt;
}

std::unique_ptr<CalendarApplicationFactory> MakeIcalCalendar(CalendarLocation) {
    throw CalendarError("the iCalendar source is not built yet");
}

}  // namespace agendix::scan::ical
