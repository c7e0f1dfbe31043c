#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for the time of a scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* previous = std::getenv(name)) {
            previous_ = previous;
        }
        setenv(name, value, 1);
    }
    ~ScopedEnvironment() {
        if (previous_) {
            setenv(name_, previous_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> previous_;
};

class DefaultLocation : public ::testing::Test {
  protected:
    // Reads environment_ as it is at the time of each call.
    common::EnvironmentLookup Lookup() {
        return [this](const char* name) -> std::optional<std::string> {
            const auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt
                                               : std::optional<std::string>(found->second);
        };
    }
    CalendarLocation Find() { return DefaultCalendarLocation(Lookup()); }
    void WriteProfile(const fs::path& configHome, const std::string& text) {
        fs::create_directories(configHome / "agendix");
        std::ofstream(configHome / "agendix" / "calendar.conf") << text;
    }

    TemporaryCalendar home_;
    std::map<std::string, std::string> environment_{{"HOME", home_.Folder().string()}};
};

TEST_F(DefaultLocation, WithoutProfileTheDataFileWhoseAbsenceIsAnEmptyCalendar) {
    CalendarLocation location = Find();
    EXPECT_EQ(location.path, home_.Folder() / ".local/share/agendix/calendar.ics");
    EXPECT_TRUE(location.missingIsEmpty);

    environment_["XDG_DATA_HOME"] = "relative/is/ignored";
    EXPECT_EQ(Find().path, home_.Folder() / ".local/share/agendix/calendar.ics");
    environment_["XDG_DATA_HOME"] = "/data";
    EXPECT_EQ(Find().path, fs::path("/data/agendix/calendar.ics"));
}

TEST_F(DefaultLocation, TheProfileNamesTheCalendar) {
    const fs::path config = home_.Folder() / "config";
    environment_["XDG_CONFIG_HOME"] = config.string();
    const struct {
        std::string profile;
        fs::path expected;
    } cases[] = {
        {"# my calendar\n\n  /srv/cal/work.ics  \n", "/srv/cal/work.ics"},
        {"~/calendars/personal/\n", home_.Folder() / "calendars/personal/"},
        {"synced\r\n", config / "agendix" / "synced"},
    };
    for (const auto& test : cases) {
        WriteProfile(config, test.profile);
        const CalendarLocation location = Find();
        EXPECT_EQ(location.path, test.expected) << test.profile;
        EXPECT_FALSE(location.missingIsEmpty);
    }
}

TEST_F(DefaultLocation, UnusableSettingsAreClearErrors) {
    environment_["XDG_CONFIG_HOME"] = (home_.Folder() / "config").string();
    WriteProfile(home_.Folder() / "config", "# nothing here\n");
    EXPECT_THAT([&] { Find(); },
                ::testing::ThrowsMessage<CalendarError>(::testing::HasSubstr("names no calendar")));
    // A profile that cannot be looked at is not taken for an absent one.
    fs::create_directories(home_.Folder() / "looping");
    fs::create_symlink("agendix", home_.Folder() / "looping" / "agendix");
    environment_["XDG_CONFIG_HOME"] = (home_.Folder() / "looping").string();
    EXPECT_THAT([&] { Find(); }, ::testing::ThrowsMessage<CalendarError>(::testing::HasSubstr(
                                     "cannot read the calendar profile " + home_.Folder().string() +
                                     "/looping/agendix/calendar.conf")));
    environment_.clear();
    EXPECT_THAT([&] { Find(); },
                ::testing::ThrowsMessage<CalendarError>(::testing::HasSubstr("nor HOME is set")));
}

TEST_F(DefaultLocation, EveryScanFindsTheCalendarAfresh) {
    const fs::path config = home_.Folder() / "config";
    environment_["XDG_CONFIG_HOME"] = config.string();
    const auto event = [](const std::string& subject) {
        return Calendar("BEGIN:VEVENT\nUID:e\nDTSTART:20261207T090000\nSUMMARY:" + subject +
                        "\nEND:VEVENT\n");
    };
    home_.Write("a.ics", event("From A"));
    home_.Write("b.ics", event("From B"));
    const std::string pathOfA = (home_.Folder() / "a.ics").string();
    WriteProfile(config, pathOfA);
    // Without a calendar, the calendar service's default is asked for: on a session bus that
    // does not exist, whatever bus the test runs on.
    const ScopedEnvironment noBus("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    Agenda agenda(MakeDefaultCalendar(Lookup(), {.readWait = std::chrono::seconds(10)}));
    constexpr CalendarDate kMonday{2026, 12, 7};
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] From A ()\n\n");

    WriteProfile(config, (home_.Folder() / "b.ics").string());
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] From B ()\n\n");

    // A profile that names nothing fails that scan; the next one tries again.
    WriteProfile(config, "# being edited\n");
    EXPECT_THAT([&] { agenda.Scan(kMonday); },
                ::testing::ThrowsMessage<CalendarError>(::testing::HasSubstr("names no calendar")));
    WriteProfile(config, pathOfA);
    EXPECT_EQ(agenda.Scan(kMonday).text, " [09:00 - 09:00] From A ()\n\n");

    // Without a profile, the default data file, which nobody has made yet.
    fs::remove(config / "agendix" / "calendar.conf");
    EXPECT_EQ(agenda.Scan(kMonday).title, "No Appointments");
}

}  // namespace
}  // namespace agendix::scan::testing
