// agendix-agenda: runs one appointment scan and prints the balloon title, a line end, then the
// appointment text exactly as the balloon receives it (CR LF line ends, without the final NUL).
// What the scan left out because it could not be read is told on the standard error.
// With --json it prints the status a status bar shows instead, as one JSON object. --follow is
// a program of its own (it needs an event loop and the refresh triggers): this one, which a
// status bar starts again and again, stays free of them and starts in a few milliseconds.

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "agenda/core/StatusOutput.h"
#include "agenda/linux/AgendaOptions.h"
#include "scan/core/StatusScan.h"
#include "scan/linux/SystemClock.h"

namespace {

using namespace agendix::scan;
namespace agenda = agendix::agenda;

// The --follow program, installed at AGENDIX_FOLLOW_PROGRAM relative to this one.
std::filesystem::path FollowProgram() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path() / AGENDIX_FOLLOW_PROGRAM;
}

// Replaces this process with the --follow program, given the same command line.
[[noreturn]] void RunFollowProgram(char** argv) {
    const std::filesystem::path program = FollowProgram();
    execv(program.c_str(), argv);
    throw std::runtime_error("cannot start " + program.string() + ": " + std::strerror(errno));
}

int Run(const agenda::Options& options, int, char** argv) {
    if (options.follow) {
        RunFollowProgram(argv);
    }
    const auto calendar = agenda::OpenCalendar(options);
    const SystemClock system;
    const agenda::ClockOnDate clock(system, options.date);
    if (!options.json) {
        return agenda::PrintBalloon(*calendar, clock, options.tomorrow);
    }
    // A reader that has gone shows as a failed write, not as a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
    StatusScan scan(*calendar, clock, options.tomorrow);
    return agenda::WriteOutput(agenda::StatusLine(scan.Refresh())) ? 0 : 1;
}

}  // namespace

// A calendar that cannot be read gives an object of the "error" class and the exit status 0:
// status bars show nothing of a command that fails.
int main(int argc, char** argv) {
    return agenda::RunCommand(argc, argv, agenda::kUsage, Run);
}
