#include "agenda/linux/AgendaOptions.h"

#include <vector>

#include "scan/core/MergedCalendar.h"
#include "scan/linux/IcalCalendar.h"

namespace agendix::agenda {

using namespace scan;

const char kUsage[] =
    "Usage: agendix-agenda [--calendar PATH]... [--date YYYY-MM-DD] [--tomorrow]\n"
    "                      [--json [--follow]]\n"
    "Prints the appointments that start today (and tomorrow with --tomorrow) as the tray\n"
    "balloon shows them: the title, then one line per appointment. Files of a directory that\n"
    "cannot be read are left out and named on the standard error.\n"
    "  --calendar PATH    an .ics file or a directory of .ics files, or eds: (the calendar\n"
    "                     service's default calendar) or eds:UID; may be given several\n"
    "                     times: their appointments are listed together (default: the\n"
    "                     calendars named in calendar.conf); this command never uses the\n"
    "                     network: a web calendar (https://, webcal://) is read from the\n"
    "                     copy the agendix program keeps, and CalDAV calendars (caldav:)\n"
    "                     are not read (the agendix program shows them)\n"
    "  --date YYYY-MM-DD  the day taken as today (default: today)\n"
    "  --tomorrow         also list the next day\n"
    "  --json             print the status for a status bar (waybar's custom module, return-type\n"
    "                     json) as one JSON object: text, tooltip, class, alt, percentage\n"
    "  --follow           with --json: keep running and print a new object whenever the status\n"
    "                     changes\n"
    "  --help             show this help\n";

std::unique_ptr<CalendarApplicationFactory> OpenCalendar(const Options& options,
                                                         CalendarChanged changed) {
    // A command has no user interface to keep responsive: it waits for the calendar service.
    constexpr std::chrono::seconds kServiceWait{30};
    const CalendarServiceOptions service{.changed = std::move(changed), .readWait = kServiceWait};
    if (options.calendars.empty()) {
        return MakeDefaultCalendar(common::ProcessEnvironment, service);
    }
    std::vector<OwnedCalendar> calendars;
    for (const std::string& name : options.calendars) {
        std::string uid;
        CalendarLocation location{name, false};
        if (ParseEdsCalendarName(name, uid)) {
            location.edsSource = uid;
        } else if (const auto named = CalendarLocationOf(name, {}, common::ProcessEnvironment);
                   named.remote) {
            location = named;
        }
        location.name = name;
        calendars.push_back({name, MakeCalendarSource(location, service)});
    }
    return calendars.size() == 1 ? std::move(calendars.front().calendar)
                                 : MakeMergedCalendar(std::move(calendars));
}

}  // namespace agendix::agenda
