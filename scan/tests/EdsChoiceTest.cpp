#include <fstream>
#include <map>

#include <gtest/gtest.h>

#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

namespace fs = std::filesystem;

// Which calendar the default is: calendar.conf, the data file, or the calendar service.
class CalendarChoice : public ::testing::Test {
  protected:
    CalendarLocation Find() {
        return DefaultCalendarLocation([this](const char* name) -> std::optional<std::string> {
            const auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt
                                               : std::optional<std::string>(found->second);
        });
    }
    fs::path Profile() const { return home_.Folder() / ".config/agendix/calendar.conf"; }
    fs::path DataFile() const { return home_.Folder() / ".local/share/agendix/calendar.ics"; }
    static void Write(const fs::path& path, const std::string& text) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << text;
    }

    TemporaryCalendar home_;
    std::map<std::string, std::string> environment_{{"HOME", home_.Folder().string()}};
};

TEST_F(CalendarChoice, NothingChosenAndNoFileIsTheServiceDefaultWhichMayBeAbsent) {
    const CalendarLocation location = Find();
    ASSERT_TRUE(location.edsSource.has_value());
    EXPECT_EQ(*location.edsSource, "");
    EXPECT_TRUE(location.missingIsEmpty);
    // The file stays what the watch looks at: making it chooses it.
    EXPECT_EQ(location.path, DataFile());

    Write(DataFile(), Calendar(""));
    EXPECT_FALSE(Find().edsSource.has_value());
    EXPECT_EQ(Find().path, DataFile());
}

TEST_F(CalendarChoice, TheProfileNamesTheServiceOrOneOfItsCalendars) {
    Write(DataFile(), Calendar(""));  // a named calendar wins over the file
    const struct {
        std::string profile;
        std::string uid;
    } cases[] = {{"eds:\n", ""}, {"# work\n  eds:1234-abcd  \r\n", "1234-abcd"}};
    for (const auto& test : cases) {
        Write(Profile(), test.profile);
        const CalendarLocation location = Find();
        ASSERT_TRUE(location.edsSource.has_value()) << test.profile;
        EXPECT_EQ(*location.edsSource, test.uid);
        EXPECT_FALSE(location.missingIsEmpty) << "a service asked for by name must be there";
    }
    // A path that merely contains "eds:" is a path.
    Write(Profile(), "calendars/eds:old.ics\n");
    EXPECT_FALSE(Find().edsSource.has_value());
}

TEST(EdsCalendarName, OnlyTheEdsPrefixNamesTheService) {
    std::string uid = "unchanged";
    EXPECT_FALSE(ParseEdsCalendarName("/home/me/eds:x.ics", uid));
    EXPECT_FALSE(ParseEdsCalendarName("EDS:", uid));
    EXPECT_EQ(uid, "unchanged");
    EXPECT_TRUE(ParseEdsCalendarName("eds:", uid));
    EXPECT_EQ(uid, "");
    EXPECT_TRUE(ParseEdsCalendarName("eds:system-calendar", uid));
    EXPECT_EQ(uid, "system-calendar");
}

}  // namespace
}  // namespace agendix::scan::testing
