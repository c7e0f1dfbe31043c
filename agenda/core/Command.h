#pragma once

// The command line of agendix-agenda and what every form of the command does with it, on every
// platform: the options, the clock on the day asked for, the printed balloon, and the exit status
// and error object of a run.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scan/core/AppointmentScan.h"

namespace agendix::agenda {

struct Options {
    // The calendars named with --calendar, in order; none for the default ones.
    std::vector<std::string> calendars;
    std::optional<scan::CalendarDate> date;
    bool tomorrow = false;
    bool json = false;
    bool follow = false;
    bool help = false;
};

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The options of `argv`; UsageError when they make no sense.
Options ParseOptions(int argc, char** argv);

// The system's clock, with the date replaced when one was asked for.
class ClockOnDate : public scan::Clock {
  public:
    // `system` must outlive this clock.
    ClockOnDate(const scan::Clock& system, std::optional<scan::CalendarDate> date)
        : system_(system), date_(date) {}
    scan::LocalDateTime Now() const override;

  private:
    const scan::Clock& system_;
    std::optional<scan::CalendarDate> date_;
};

// Runs one scan and prints the balloon's title, a line end and its text as the balloon receives
// it (CR LF line ends, without the final NUL); what was left out goes to the standard error.
// Returns the exit status.
int PrintBalloon(scan::CalendarApplicationFactory& calendar, const scan::Clock& clock,
                 bool tomorrow);

// Runs `command` and turns what escapes it into the exit status: 2 and `usage` for a wrong
// command line, 1 for anything else. With --json in `argv` a status bar also gets an object of
// the "error" class that says what went wrong. --help prints `usage`.
int RunCommand(int argc, char** argv, const char* usage,
               int (*command)(const Options& options, int argc, char** argv));

}  // namespace agendix::agenda
