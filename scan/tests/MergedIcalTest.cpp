// Several calendars named in the profile, read as one: files, folders and the ones that cannot
// be read among them.

#include <fstream>
#include <map>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

constexpr CalendarDate kMonday{2026, 12, 7};

class MergedProfile : public ::testing::Test {
  protected:
    MergedProfile() {
        environment_["XDG_CONFIG_HOME"] = (home_.Folder() / "config").string();
        fs::create_directories(home_.Folder() / "config" / "agendix");
    }
    common::EnvironmentLookup Lookup() {
        return [this](const char* name) -> std::optional<std::string> {
            const auto found = environment_.find(name);
            return found == environment_.end() ? std::nullopt
                                               : std::optional<std::string>(found->second);
        };
    }
    void WriteProfile(const std::string& text) {
        std::ofstream(home_.Folder() / "config" / "agendix" / "calendar.conf") << text;
    }

    ScopedTimeZone zone_{"Europe/Berlin"};
    TemporaryCalendar home_;
    std::map<std::string, std::string> environment_{{"HOME", home_.Folder().string()}};
};

TEST_F(MergedProfile, EveryLineNamesOneCalendarInOrder) {
    WriteProfile(
        "# work and home\n/srv/work.ics\n  ~/home/  \neds:abc\nwebcal://example.org/a.ics\n"
        "HTTPS://example.org/b.ics\ncaldav:https://dav.example.org/c/\nrelative.ics\n");
    const auto locations = DefaultCalendarLocations(Lookup());
    ASSERT_EQ(locations.size(), 7u);
    EXPECT_EQ(locations[0].path, fs::path("/srv/work.ics"));
    EXPECT_EQ(locations[1].path, home_.Folder() / "home/");
    EXPECT_EQ(locations[1].name, "~/home/");
    EXPECT_EQ(locations[2].edsSource, "abc");
    EXPECT_EQ(locations[3].remote, "webcal://example.org/a.ics");
    EXPECT_EQ(locations[4].remote, "HTTPS://example.org/b.ics");
    EXPECT_EQ(locations[5].remote, "caldav:https://dav.example.org/c/");
    EXPECT_EQ(locations[6].path, home_.Folder() / "config" / "agendix" / "relative.ics");
    for (const auto& location : locations) {
        EXPECT_FALSE(location.missingIsEmpty);
    }
    EXPECT_EQ(DefaultCalendarLocation(Lookup()).path, fs::path("/srv/work.ics"));
}

TEST_F(MergedProfile, AnOccurrenceInTwoCalendarsIsListedOnceAndABrokenOneIsNamed) {
    // The series at 08:00 Berlin time; the other calendar holds the same invitation and an
    // override of Monday's occurrence, its RECURRENCE-ID written in UTC.
    home_.Write("work.ics",
                Calendar("BEGIN:VEVENT\nUID:invite\nDTSTART:20261207T100000Z\nSUMMARY:Invitation\n"
                         "END:VEVENT\n"
                         "BEGIN:VEVENT\nUID:daily\nDTSTART;TZID=Europe/Berlin:20261201T080000\n"
                         "RRULE:FREQ=DAILY\nSUMMARY:Daily\nEND:VEVENT\n"));
    fs::create_directories(home_.Folder() / "shared");
    home_.Write("shared/a.ics", Calendar("BEGIN:VEVENT\nUID:invite\nDTSTART:20261207T100000Z\n"
                                         "SUMMARY:Invitation again\nEND:VEVENT\n"));
    home_.Write("shared/b.ics",
                Calendar("BEGIN:VEVENT\nUID:daily\nRECURRENCE-ID:20261207T070000Z\n"
                         "DTSTART:20261207T090000Z\nSUMMARY:Daily, moved\nEND:VEVENT\n"
                         "BEGIN:VEVENT\nUID:daily\nRECURRENCE-ID:20261208T070000Z\n"
                         "DTSTART:20261208T090000Z\nSUMMARY:Daily on Tuesday\nEND:VEVENT\n"
                         "BEGIN:VEVENT\nUID:own\nDTSTART:20261207T150000Z\nSUMMARY:Own\n"
                         "END:VEVENT\n"));
    home_.Write("shared/broken.ics", "BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\n");
    WriteProfile(
        "~/work.ics\n~/missing.ics\n~/shared\nhttps://example.org/feed.ics\n"
        "caldav:https://alice@dav.example.org/\n");
    Agenda agenda(MakeDefaultCalendar(Lookup()));
    const Balloon balloon = agenda.Scan(kMonday, false);
    EXPECT_EQ(balloon.text,
              " [11:00 - 11:00] Invitation ()\n [08:00 - 08:00] Daily ()\n"
              " [16:00 - 16:00] Own ()\n\n");
    EXPECT_THAT(agenda.ReadProblems(),
                ElementsAre(HasSubstr("\"~/missing.ics\""), HasSubstr("broken.ics"),
                            HasSubstr("\"https://example.org/feed.ics\" could not be read "
                                      "(\"https://example.org/feed.ics\" is fetched by the "
                                      "agendix program, which has no copy of it yet)"),
                            HasSubstr("\"caldav:https://alice@dav.example.org/\" is a CalDAV "
                                      "calendar, which only the agendix program reads")));

    // Tuesday's override in the other calendar is Tuesday's occurrence of the first.
    const Balloon tuesday = agenda.Scan({2026, 12, 8}, false);
    EXPECT_EQ(tuesday.text, " [08:00 - 08:00] Daily ()\n\n");
}

TEST_F(MergedProfile, WithoutFetchingAWebCalendarIsReadFromTheKeptCopyWithItsAge) {
    const std::string address = "webcal://example.org/feed.ics";
    const fs::path copy = SubscriptionCopyPath(Lookup(), address);
    EXPECT_EQ(copy.parent_path(), home_.Folder() / ".cache/agendix/subscriptions");
    EXPECT_NE(SubscriptionCopyPath(Lookup(), address + "?a"), copy);
    fs::create_directories(copy.parent_path());
    std::ofstream(copy) << Calendar(
        "BEGIN:VEVENT\nUID:f\nDTSTART:20261207T090000\nSUMMARY:From the feed\nEND:VEVENT\n");
    WriteProfile(address + "\n");
    Agenda agenda(MakeDefaultCalendar(Lookup()));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] From the feed ()\n\n");
    EXPECT_THAT(agenda.ReadProblems(),
                ElementsAre(HasSubstr(
                    "\"" + address + "\" is shown as the agendix program last fetched it, at 20")));
}

}  // namespace
}  // namespace agendix::scan::testing
