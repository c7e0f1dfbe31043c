#include <fstream>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "IcalTestSupport.h"

namespace agendix::scan::ical::testing {
namespace {

namespace fs = std::filesystem;

class DefaultLocation : public ::testing::Test {
  protected:
    CalendarLocation Find() {
        return DefaultCalendarLocation([this](const char* name) -> std::optional<std::string> {
            const auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt
                                               : std::optional<std::string>(found->second);
        });
    }
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
    environment_.clear();
    EXPECT_THAT([&] { Find(); },
                ::testing::ThrowsMessage<CalendarError>(::testing::HasSubstr("nor HOME is set")));
}

}  // namespace
}  // namespace agendix::scan::ical::testing
