// agendix-agenda run as a user runs it: its exit status, standard output and standard error.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scan/tests/IcalTestSupport.h"

extern char** environ;

namespace agendix::scan::testing {
namespace {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string output;
    std::string errors;
};

std::string Contents(const fs::path& file) {
    std::ostringstream text;
    text << std::ifstream(file, std::ios::binary).rdbuf();
    return text.str();
}

// Runs agendix-agenda with `arguments`, its output and errors going to files in `work`.
Outcome RunAgenda(std::vector<std::string> arguments, const fs::path& work) {
    const fs::path output = work / "stdout";
    const fs::path errors = work / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::string program = AGENDIX_AGENDA_PROGRAM;
    std::vector<char*> argv{program.data()};
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_t child = 0;
    const int failed =
        posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (failed != 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return {};
    }
    return {WEXITSTATUS(status), Contents(output), Contents(errors)};
}

TEST(AgendaCommand, AFolderListsWhatCanBeReadAndNamesTheRestButABrokenFileIsAnError) {
    const TemporaryCalendar calendar;
    const TemporaryCalendar work;
    calendar.Write("good.ics",
                   Calendar("BEGIN:VEVENT\nUID:g\nDTSTART:20261207T090000\nDTEND:20261207T100000\n"
                            "SUMMARY:Good\nEND:VEVENT\n"));
    const fs::path broken = calendar.Folder() / "broken.ics";
    fs::copy_file(TestData("broken_unclosed_event.ics"), broken);

    const Outcome folder = RunAgenda(
        {"--calendar", calendar.Folder().string(), "--date", "2026-12-07"}, work.Folder());
    EXPECT_EQ(folder.status, 0);
    EXPECT_EQ(folder.output, "Today:\n [09:00 - 10:00] Good ()\r\n\r\n");
    EXPECT_EQ(folder.errors, "agendix-agenda: The calendar file \"" + broken.string() +
                                 "\" could not be read (line 7: END:VCALENDAR does not close "
                                 "BEGIN:VEVENT of line 3); its appointments are left out.\n");

    const Outcome file =
        RunAgenda({"--calendar", broken.string(), "--date", "2026-12-07"}, work.Folder());
    EXPECT_EQ(file.status, 1);
    EXPECT_EQ(file.output, "");
    EXPECT_EQ(file.errors, "agendix-agenda: " + broken.string() +
                               ", line 7: END:VCALENDAR does not close BEGIN:VEVENT of line 3\n");
}

}  // namespace
}  // namespace agendix::scan::testing
