#pragma once

// The command line of agendix-agenda, shared by the one-shot command and its --follow program.

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scan/core/AppointmentScan.h"
#include "scan/linux/EdsCalendar.h"
#include "scan/linux/SystemClock.h"

namespace agendix::agenda {

extern const char kUsage[];

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
    explicit ClockOnDate(std::optional<scan::CalendarDate> date) : date_(date) {}
    scan::LocalDateTime Now() const override;

  private:
    scan::SystemClock system_;
    std::optional<scan::CalendarDate> date_;
};

// The calendars named with --calendar merged (see scan/core/MergedCalendar.h), else the default
// ones. A calendar of the calendar service calls `changed` (from its worker thread) when it has
// news.
std::unique_ptr<scan::CalendarApplicationFactory> OpenCalendar(
    const Options& options, scan::CalendarChanged changed = nullptr);

// Runs `command` and turns what escapes it into the exit status: 2 and the usage for a wrong
// command line, 1 for anything else. With --json in `argv` a status bar also gets an object of
// the "error" class that says what went wrong.
int RunCommand(int argc, char** argv,
               int (*command)(const Options& options, int argc, char** argv));

}  // namespace agendix::agenda
