// agendix-agenda for Windows: runs one appointment scan over the calendar program's automation
// object model and prints the balloon title, a line end, then the appointment text exactly as
// the balloon receives it (CR LF line ends, without the final NUL), as UTF-8. With --json it
// prints the status a status bar shows instead, as one JSON object.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "agenda/core/Command.h"
#include "agenda/core/StatusOutput.h"
#include "common/win32/WideText.h"
#include "scan/core/StatusScan.h"
#include "scan/win32/AutomationCalendar.h"
#include "scan/win32/SystemClock.h"

namespace {

using namespace agendix::scan;
namespace agenda = agendix::agenda;

constexpr char kUsage[] =
    "Usage: agendix-agenda [--calendar PROGRAM-ID] [--date YYYY-MM-DD] [--tomorrow] [--json]\n"
    "Prints the appointments that start today (and tomorrow with --tomorrow) as the tray\n"
    "balloon shows them: the title, then one line per appointment.\n"
    "  --calendar PROGRAM-ID  the calendar program's automation object (default:\n"
    "                         Outlook.Application)\n"
    "  --date YYYY-MM-DD      the day taken as today (default: today)\n"
    "  --tomorrow             also list the next day\n"
    "  --json                 print the status for a status bar as one JSON object: text,\n"
    "                         tooltip, class, alt, percentage\n"
    "  --help                 show this help\n";

constexpr char kDefaultProgramId[] = "Outlook.Application";

// The console shows UTF-8 while the command runs; the console's own code page comes back after,
// as the console outlives the command.
class Utf8Console {
  public:
    Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() {
        if (previous_ != 0) {
            SetConsoleOutputCP(previous_);
        }
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

  private:
    UINT previous_;
};

// The calendar program named with --calendar (one at most), else the default one.
std::string ProgramId(const agenda::Options& options) {
    if (options.follow) {
        throw agenda::UsageError("--follow is not available on Windows");
    }
    if (options.calendars.size() > 1) {
        throw agenda::UsageError("--calendar may name one calendar program only");
    }
    return options.calendars.empty() ? kDefaultProgramId : options.calendars.front();
}

int Run(const agenda::Options& options, int, char**) {
    const auto calendar = MakeAutomationCalendar(agendix::common::WideFromUtf8(ProgramId(options)));
    const SystemClock system;
    const agenda::ClockOnDate clock(system, options.date);
    if (!options.json) {
        return agenda::PrintBalloon(*calendar, clock, options.tomorrow);
    }
    StatusScan scan(*calendar, clock, options.tomorrow);
    return agenda::WriteOutput(agenda::StatusLine(scan.Refresh())) ? 0 : 1;
}

}  // namespace

// A calendar that cannot be read gives an object of the "error" class and the exit status 0:
// status bars show nothing of a command that fails.
int main(int argc, char** argv) {
    // The output is UTF-8 with the line ends the text has: no CR added before LF.
    _setmode(_fileno(stdout), _O_BINARY);
    const Utf8Console console;
    return agenda::RunCommand(argc, argv, kUsage, Run);
}
