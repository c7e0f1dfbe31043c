// agendix-agenda: runs one appointment scan and prints the balloon title, a line end, then the
// appointment text exactly as the balloon receives it (CR LF line ends, without the final NUL).
// What the scan left out because it could not be read is told on the standard error.
// With --json it prints the status a status bar shows instead, as one JSON object; --follow
// keeps printing one whenever the status changes.

#include <QCoreApplication>
#include <QDBusConnection>
#include <algorithm>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "AppointmentScan.h"
#include "CalendarWatch.h"
#include "DayWatch.h"
#include "IcalCalendar.h"
#include "NextDayStart.h"
#include "ResumeWatch.h"
#include "StatusFollower.h"
#include "StatusOutput.h"
#include "StatusScan.h"
#include "SystemClock.h"
#include "TerminationSignals.h"

namespace {

using namespace agendix::scan;
namespace app = agendix::app;
namespace triggers = agendix::triggers;

constexpr char kUsage[] =
    "Usage: agendix-agenda [--calendar PATH] [--date YYYY-MM-DD] [--tomorrow] [--json [--follow]]\n"
    "Prints the appointments that start today (and tomorrow with --tomorrow) as the tray\n"
    "balloon shows them: the title, then one line per appointment. Files of a directory that\n"
    "cannot be read are left out and named on the standard error.\n"
    "  --calendar PATH    an .ics file or a directory of .ics files (default: the default "
    "calendar)\n"
    "  --date YYYY-MM-DD  the day taken as today (default: today)\n"
    "  --tomorrow         also list the next day\n"
    "  --json             print the status for a status bar (waybar's custom module, return-type\n"
    "                     json) as one JSON object: text, tooltip, class, alt, percentage\n"
    "  --follow           with --json: keep running and print a new object whenever the status\n"
    "                     changes\n"
    "  --help             show this help\n";

struct Options {
    std::optional<std::string> calendar;
    std::optional<CalendarDate> date;
    bool tomorrow = false;
    bool json = false;
    bool follow = false;
    bool help = false;
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

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
            options.calendar = value();
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

// The system's clock, with the date replaced when one was asked for.
class ClockOnDate : public Clock {
  public:
    explicit ClockOnDate(std::optional<CalendarDate> date) : date_(date) {}
    LocalDateTime Now() const override {
        LocalDateTime moment = system_.Now();
        if (date_) {
            moment.date = *date_;
        }
        return moment;
    }

  private:
    SystemClock system_;
    std::optional<CalendarDate> date_;
};

class PrintedBalloon : public BalloonTray {
  public:
    void SetTrayToolTipTitle(const std::string& title) override { title_ = title; }
    void SetTrayToolTip(const std::string& text) override {
        text_ = text.substr(0, text.find('\0'));
    }
    void Show(bool) override { std::cout << title_ << '\n' << text_ << std::flush; }

  private:
    std::string title_;
    std::string text_;
};

// Prints the balloon's title and text once; what was left out goes to the standard error.
int PrintBalloon(CalendarApplicationFactory& calendar, const Clock& clock, bool tomorrow) {
    PrintedBalloon balloon;
    NoMessagePump pump;
    AppointmentScan scan(calendar, clock, balloon, pump);
    scan.doIt(tomorrow ? 1 : 0);
    for (const std::string& problem : scan.ReadProblems()) {
        std::cerr << "agendix-agenda: " << problem << '\n';
    }
    return 0;
}

// The watch over the calendar that is read: the one named with --calendar, else the default one.
std::unique_ptr<triggers::FolderWatch> WatchCalendar(const std::optional<std::string>& named) {
    if (!named) {
        return std::make_unique<triggers::CalendarWatch>(ical::ProcessEnvironment);
    }
    return std::make_unique<triggers::FolderWatch>(
        [path = std::filesystem::path(*named)] { return triggers::CalendarTargets(path); },
        QStringLiteral("the calendar changed"));
}

// Prints the status at once, then again whenever it changes, until the reader goes away or a
// termination signal comes. Besides every minute, it looks again at once when the calendar
// changes, a new day begins, the clock or the time zone is set, and when the machine wakes.
int FollowStatus(StatusScan& scan, const Options& options, int argc, char** argv) {
    QCoreApplication application(argc, argv);
    agenda::StatusFollower follower(scan);
    const app::TerminationSignals termination([] { QCoreApplication::exit(0); });
    const auto calendarWatch = WatchCalendar(options.calendar);
    triggers::DayWatch dayWatch(triggers::NextLocalDayStart, "/etc");
    triggers::ResumeWatch resumeWatch(QDBusConnection::systemBus());
    QObject::connect(calendarWatch.get(), &triggers::FolderWatch::Changed, &follower,
                     &agenda::StatusFollower::Refresh);
    QObject::connect(&dayWatch, &triggers::DayWatch::Changed, &follower,
                     &agenda::StatusFollower::Refresh);
    QObject::connect(&resumeWatch, &triggers::ResumeWatch::Changed, &follower,
                     &agenda::StatusFollower::Refresh);
    follower.Refresh();
    return QCoreApplication::exec();
}

// The status as one JSON object, or a stream of them with --follow. A calendar that cannot be
// read gives an object of the "error" class and the exit status 0: status bars show nothing of
// a command that fails.
int PrintStatus(CalendarApplicationFactory& calendar, const Clock& clock, const Options& options,
                int argc, char** argv) {
    // A reader that has gone shows as a failed write, not as a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
    StatusScan scan(calendar, clock, options.tomorrow);
    if (options.follow) {
        return FollowStatus(scan, options, argc, argv);
    }
    return agenda::WriteOutput(agenda::StatusLine(scan.Refresh())) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Whatever goes wrong, a status bar that asked for JSON gets an object that says what.
    const bool json = std::any_of(argv + 1, argv + argc,
                                  [](std::string_view argument) { return argument == "--json"; });
    auto fail = [json](const std::string& message) {
        if (json) {
            agenda::WriteOutput(agenda::StatusLine(ErrorStatus(message)));
        }
        std::cerr << "agendix-agenda: " << message << '\n';
    };
    try {
        const Options options = ParseOptions(argc, argv);
        if (options.help) {
            std::cout << kUsage;
            return 0;
        }
        const auto calendar = options.calendar
                                  ? ical::MakeIcalCalendar({*options.calendar, false})
                                  : ical::MakeDefaultCalendar(ical::ProcessEnvironment);
        const ClockOnDate clock(options.date);
        if (options.json) {
            return PrintStatus(*calendar, clock, options, argc, argv);
        }
        return PrintBalloon(*calendar, clock, options.tomorrow);
    } catch (const UsageError& error) {
        fail(error.what());
        std::cerr << '\n' << kUsage;
        return 2;
    } catch (const std::exception& error) {
        fail(error.what());
        return 1;
    }
}
