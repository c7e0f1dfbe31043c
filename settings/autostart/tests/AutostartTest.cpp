#include <gtest/gtest.h>

#include <vector>

#include "Autostart.h"

namespace agendix::settings {
namespace {

// Records every call; fails where told to.
struct ShellLog {
    std::vector<std::string> calls;
    bool createFails = false;
    bool operationFails = false;
    bool operationThrowsOther = false;
};

class RecordingShell final : public ScriptShell {
  public:
    explicit RecordingShell(ShellLog& log) : log_(log) {}
    ~RecordingShell() override { log_.calls.push_back("release"); }
    void RegWrite(std::string_view fullName, std::string_view value) override {
        Record("RegWrite " + std::string(fullName) + " = " + std::string(value));
    }
    void RegDelete(std::string_view fullName) override {
        Record("RegDelete " + std::string(fullName));
    }

  private:
    void Record(std::string call) {
        log_.calls.push_back(std::move(call));
        if (log_.operationFails) {
            throw AutostartError("no right to write");
        }
        if (log_.operationThrowsOther) {
            throw 42;
        }
    }
    ShellLog& log_;
};

class RecordingFactory final : public ScriptShellFactory {
  public:
    std::unique_ptr<ScriptShell> CreateObject(std::string_view programId) override {
        log.calls.push_back("create " + std::string(programId));
        if (log.createFails) {
            throw AutostartError("no shell");
        }
        return std::make_unique<RecordingShell>(log);
    }
    ShellLog log;
};

const std::string kFullName =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\Agendix";

TEST(RegisterAutostart, WritesTheRunKeyValueThroughAShellOfItsOwn) {
    RecordingFactory shells;
    RegisterAutostart(shells, "/opt/agendix/bin/agendix", kAutostartEntryName);
    const std::vector<std::string> expected = {
        "create wscript.shell", "RegWrite " + kFullName + " = /opt/agendix/bin/agendix", "release"};
    EXPECT_EQ(shells.log.calls, expected);
}

TEST(RegisterAutostart, PassesFailuresOnAfterReleasingTheShell) {
    RecordingFactory shells;
    shells.log.operationFails = true;
    EXPECT_THROW(RegisterAutostart(shells, "/a", "Agendix"), AutostartError);
    EXPECT_EQ(shells.log.calls.back(), "release");

    RecordingFactory noShell;
    noShell.log.createFails = true;
    EXPECT_THROW(RegisterAutostart(noShell, "/a", "Agendix"), AutostartError);
}

TEST(UnregisterAutostart, DeletesTheRunKeyValue) {
    RecordingFactory shells;
    UnregisterAutostart(shells, kAutostartEntryName);
    const std::vector<std::string> expected = {"create Wscript.Shell", "RegDelete " + kFullName,
                                               "release"};
    EXPECT_EQ(shells.log.calls, expected);
}

TEST(UnregisterAutostart, NeverReportsAFailure) {
    for (int failure = 0; failure < 3; ++failure) {
        RecordingFactory shells;
        shells.log.createFails = failure == 0;
        shells.log.operationFails = failure == 1;
        shells.log.operationThrowsOther = failure == 2;
        EXPECT_NO_THROW(UnregisterAutostart(shells, "Agendix"));
    }
}

}  // namespace
}  // namespace agendix::settings
