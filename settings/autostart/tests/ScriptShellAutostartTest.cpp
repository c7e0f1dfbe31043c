#include <gtest/gtest.h>

#include <vector>

#include "settings/autostart/win32/ScriptShellAutostart.h"

namespace agendix::settings {
namespace {

enum class Failure { None, Create, Operation, Unexpected };

// A shell factory that records every call and fails where told to.
class RecordingShells final : public ScriptShellFactory {
  public:
    explicit RecordingShells(Failure failure = Failure::None) : failure_(failure) {}

    std::unique_ptr<ScriptShell> CreateObject(std::string_view programId) override {
        Record("create " + std::string(programId), Failure::Create);
        return std::make_unique<Shell>(*this);
    }

    std::vector<std::string> calls;

  private:
    class Shell final : public ScriptShell {
      public:
        explicit Shell(RecordingShells& log) : log_(log) {}
        ~Shell() override { log_.calls.push_back("release"); }
        void RegWrite(std::string_view fullName, std::string_view value) override {
            log_.Record("RegWrite " + std::string(fullName) + " = " + std::string(value),
                        Failure::Operation);
        }
        void RegDelete(std::string_view fullName) override {
            log_.Record("RegDelete " + std::string(fullName), Failure::Operation);
        }

      private:
        RecordingShells& log_;
    };

    void Record(std::string call, Failure failsHere) {
        calls.push_back(std::move(call));
        if (failure_ == failsHere) {
            throw AutostartError("refused");
        }
        if (failure_ == Failure::Unexpected && failsHere == Failure::Operation) {
            throw 42;
        }
    }

    Failure failure_;
};

// The current user's start-up list: no administrator's rights needed.
const std::string kFullName =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Agendix";
// Where earlier installations wrote it.
const std::string kMachineWideName =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\Agendix";

TEST(RegisterAutostart, WritesTheRunKeyValueThroughAShellOfItsOwn) {
    RecordingShells shells;
    ScriptShellAutostart starter(shells);
    RegisterAutostart(starter, "/opt/agendix/bin/agendix", kAutostartEntryName);
    const std::vector<std::string> expected = {
        "create wscript.shell", "RegWrite " + kFullName + " = /opt/agendix/bin/agendix", "release"};
    EXPECT_EQ(shells.calls, expected);
}

TEST(RegisterAutostart, PassesFailuresOnAfterReleasingTheShell) {
    RecordingShells refusing(Failure::Operation);
    ScriptShellAutostart refusingStarter(refusing);
    EXPECT_THROW(RegisterAutostart(refusingStarter, "/a", "Agendix"), AutostartError);
    EXPECT_EQ(refusing.calls.back(), "release");
    RecordingShells noShell(Failure::Create);
    ScriptShellAutostart noShellStarter(noShell);
    EXPECT_THROW(RegisterAutostart(noShellStarter, "/a", "Agendix"), AutostartError);
}

TEST(UnregisterAutostart, DeletesTheRunKeyValueAndNeverReportsAFailure) {
    RecordingShells shells;
    ScriptShellAutostart starter(shells);
    UnregisterAutostart(starter, kAutostartEntryName);
    const std::vector<std::string> expected = {"create Wscript.Shell",
                                               "RegDelete " + kMachineWideName,
                                               "RegDelete " + kFullName, "release"};
    EXPECT_EQ(shells.calls, expected);
    for (const Failure failure : {Failure::Create, Failure::Operation, Failure::Unexpected}) {
        RecordingShells failing(failure);
        ScriptShellAutostart failingStarter(failing);
        EXPECT_NO_THROW(UnregisterAutostart(failingStarter, kAutostartEntryName));
    }
}

// A machine-wide value the user may not remove (or that is not there) is left quietly, and the
// user's own value is removed all the same.
TEST(ScriptShellAutostart, StoppingRemovesTheUsersValueWhateverTheMachineWideOneDoes) {
    class MachineWideRefused final : public ScriptShellFactory, public ScriptShell {
      public:
        std::unique_ptr<ScriptShell> CreateObject(std::string_view) override {
            return std::make_unique<Forward>(*this);
        }
        void RegWrite(std::string_view, std::string_view) override {}
        void RegDelete(std::string_view fullName) override {
            if (fullName == kMachineWideName) {
                throw AutostartError("access denied");
            }
            deleted.emplace_back(fullName);
        }
        std::vector<std::string> deleted;

      private:
        struct Forward final : ScriptShell {
            explicit Forward(ScriptShell& to) : to_(to) {}
            void RegWrite(std::string_view n, std::string_view v) override { to_.RegWrite(n, v); }
            void RegDelete(std::string_view n) override { to_.RegDelete(n); }
            ScriptShell& to_;
        };
    } shells;
    ScriptShellAutostart starter(shells);
    EXPECT_NO_THROW(starter.StopStartingAtLogIn(kAutostartEntryName));
    EXPECT_EQ(shells.deleted, std::vector<std::string>{kFullName});
}

TEST(ScriptShellAutostart, TheShellReportsAMissingValueToTheCaller) {
    RecordingShells refusing(Failure::Operation);
    ScriptShellAutostart starter(refusing);
    EXPECT_THROW(starter.StopStartingAtLogIn(kAutostartEntryName), AutostartError);
    EXPECT_EQ(refusing.calls.back(), "release");
}

}  // namespace
}  // namespace agendix::settings
