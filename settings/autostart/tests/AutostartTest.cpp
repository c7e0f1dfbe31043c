#include "settings/autostart/core/Autostart.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace agendix::settings {
namespace {

// Records the calls and fails each with `failure` (0: none, 1: AutostartError, 2: of no kind).
struct RecordingStarter final : LogInStarter {
    std::vector<std::string> calls;
    int failure = 0;

    void StartAtLogIn(std::string_view entryName, std::string_view programPath) override {
        Record("start " + std::string(entryName) + " = " + std::string(programPath));
    }
    void StopStartingAtLogIn(std::string_view entryName) override {
        Record("stop " + std::string(entryName));
    }
    void Record(std::string call) {
        calls.push_back(std::move(call));
        if (failure == 1) {
            throw AutostartError("refused");
        }
        if (failure == 2) {
            throw 42;
        }
    }
};

TEST(Autostart, RegisteringPassesFailuresOnAndUnregisteringNeverReportsOne) {
    RecordingStarter starter;
    RegisterAutostart(starter, "/usr/bin/agendix", kAutostartEntryName);
    UnregisterAutostart(starter, kAutostartEntryName);
    EXPECT_EQ(starter.calls,
              (std::vector<std::string>{"start Agendix = /usr/bin/agendix", "stop Agendix"}));

    starter.failure = 1;
    EXPECT_THROW(RegisterAutostart(starter, "/usr/bin/agendix", "Agendix"), AutostartError);
    for (const int failure : {1, 2}) {
        starter.failure = failure;
        EXPECT_NO_THROW(UnregisterAutostart(starter, kAutostartEntryName));
    }
}

}  // namespace
}  // namespace agendix::settings
