#include "agenda/linux/AgendaOptions.h"

#include <algorithm>
#include <charconv>
#include <iostream>
#include <string_view>

#include "agenda/core/StatusOutput.h"
#include "scan/core/BarStatus.h"
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

namespace {

std::optional<CalendarDate> ParseDate(std::string_view text) {
    CalendarDate date;
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
        AddDays(date, 0) != date) {  // AddDays normalises 31 April and the like
        return std::nullopt;
    }
    return date;
}

}  // namespace

Options ParseOptions(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                throw UsageError(std::string(argument) + " needs a value");
            }
            return argv[++i];
        };
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--tomorrow") {
            options.tomorrow = true;
        } else if (argument == "--json") {
            options.json = true;
        } else if (argument == "--follow") {
            options.follow = true;
        } else if (argument == "--calendar") {
            options.calendars.push_back(value());
        } else if (argument == "--date") {
            const std::string text = value();
            options.date = ParseDate(text);
            if (!options.date) {
                throw UsageError("not a date of the form YYYY-MM-DD: " + text);
            }
        } else {
            throw UsageError("unknown option: " + std::string(argument));
        }
    }
    if (options.follow && !options.json) {
        throw UsageError("--follow needs --json");
    }
    return options;
}

LocalDateTime ClockOnDate::Now() const {
    LocalDateTime moment = system_.Now();
    if (date_) {
        moment.date = *date_;
    }
    return moment;
}

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

int RunCommand(int argc, char** argv,
               int (*command)(const Options& options, int argc, char** argv)) {
    // Whatever goes wrong, a status bar that asked for JSON gets an object that says what.
    const bool json = std::any_of(argv + 1, argv + argc,
                                  [](std::string_view argument) { return argument == "--json"; });
    auto fail = [json](const std::string& message) {
        if (json) {
            WriteOutput(StatusLine(ErrorStatus(message)));
        }
        std::cerr << "agendix-agenda: " << message << '\n';
    };
    try {
        const Options options = ParseOptions(argc, argv);
        if (options.help) {
            std::cout << kUsage;
            return 0;
        }
        return command(options, argc, argv);
    } catch (const UsageError& error) {
        fail(error.what());
        std::cerr << '\n' << kUsage;
        return 2;
    } catch (const std::exception& error) {
        fail(error.what());
        return 1;
    }
}

}  // namespace agendix::agenda
