// agendix-agenda: runs one appointment scan and prints the balloon title, a line end, then the
// appointment text exactly as the balloon receives it (CR LF line ends, without the final NUL).
// What the scan left out because it could not be read is told on the standard error.

#include <charconv>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "AppointmentScan.h"
#include "IcalCalendar.h"
#include "SystemClock.h"

namespace {

using namespace agendix::scan;

constexpr char kUsage[] =
    "Usage: agendix-agenda [--calendar PATH] [--date YYYY-MM-DD] [--tomorrow]\n"
    "Prints the appointments that start today (and tomorrow with --tomorrow) as the tray\n"
    "balloon shows them: the title, then one line per appointment. Files of a directory that\n"
    "cannot be read are left out and named on the standard error.\n"
    "  --calendar PATH    an .ics file or a directory of .ics files (default: the default "
    "calendar)\n"
    "  --date YYYY-MM-DD  the day taken as today (default: today)\n"
    "  --tomorrow         also list the next day\n"
    "  --help             show this help\n";

struct Options {
    std::optional<std::string> calendar;
    std::optional<CalendarDate> date;
    bool tomorrow = false;
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

class NoMessages : public MessagePump {
  public:
    void ProcessPendingMessages() override {}
};

}  // namespace

int main(int argc, char** argv) {
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
        PrintedBalloon balloon;
        NoMessages pump;
        AppointmentScan scan(*calendar, clock, balloon, pump);
        scan.doIt(options.tomorrow ? 1 : 0);
        for (const std::string& problem : scan.ReadProblems()) {
            std::cerr << "agendix-agenda: " << problem << '\n';
        }
        return 0;
    } catch (const UsageError& error) {
        std::cerr << "agendix-agenda: " << error.what() << "\n\n" << kUsage;
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "agendix-agenda: " << error.what() << '\n';
        return 1;
    }
}
