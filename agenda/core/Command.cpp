#include "agenda/core/Command.h"

#include <algorithm>
#include <iostream>
#include <string_view>

#include "agenda/core/DateOption.h"
#include "agenda/core/StatusOutput.h"
#include "scan/core/BarStatus.h"

namespace agendix::agenda {

using namespace scan;

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
            options.date = ParseDateOption(text);
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

namespace {

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

}  // namespace

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

int RunCommand(int argc, char** argv, const char* usage,
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
            std::cout << usage;
            return 0;
        }
        return command(options, argc, argv);
    } catch (const UsageError& error) {
        fail(error.what());
        std::cerr << '\n' << usage;
        return 2;
    } catch (const std::exception& error) {
        fail(error.what());
        return 1;
    }
}

}  // namespace agendix::agenda
