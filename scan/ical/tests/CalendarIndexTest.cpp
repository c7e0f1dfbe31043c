#include "CalendarIndex.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "CalendarSource.h"

namespace agendix::scan::ical {
namespace {

using ::testing::HasSubstr;

TEST(CalendarIndex, PeeksAtFoldedQuotedAndLowerCaseProperties) {
    const std::string text =
        "\xEF\xBB\xBF"
        "BEGIN:VCALENDAR\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:Z\r\nEND:VTIMEZONE\r\n"
        "BEGIN:VEVENT\r\nUID:one\r\nDTSTART;TZID=\"Odd:Zone\":2026\r\n 1207T090000\r\n"
        "BEGIN:VALARM\r\nRRULE:FREQ=DAILY\r\nEND:VALARM\r\nEND:VEVENT\r\n"
        "begin:vevent\nuid:two\n dots\nrrule:FREQ=DAILY\ndtstart:bad\nstatus: cancelled \n"
        "end:vevent\n"
        "BEGIN:VEVENT\nUID:two dots\nRECURRENCE-ID:20261208T090000\nEND:VEVENT\n"
        "END:VCALENDAR";  // no final line end
    const CalendarIndex index = IndexCalendar(text, "t.ics");
    ASSERT_EQ(index.events.size(), 3u);
    ASSERT_EQ(index.timeZones.size(), 1u);

    const IndexedEvent& first = index.events[0];
    EXPECT_EQ(first.startDay, 20261207);
    EXPECT_FALSE(first.recurring);  // the alarm's properties are not the event's
    EXPECT_EQ(first.uid, "");       // kept only where series are matched
    EXPECT_EQ(first.line, 5u);
    EXPECT_EQ(text.substr(first.offset, first.length).rfind("END:VEVENT\r\n"), first.length - 12);

    const IndexedEvent& second = index.events[1];
    EXPECT_TRUE(second.recurring);
    EXPECT_TRUE(second.cancelled);
    EXPECT_EQ(second.startDay, kUnknownDay);
    EXPECT_EQ(second.uid, "twodots");
    EXPECT_TRUE(index.events[2].isOverride);
}

TEST(CalendarIndex, LastDayOfASeriesIsItsLatestUntilOrItsStart) {
    const std::string text =
        "BEGIN:VCALENDAR\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20200101T090000\r\nrrule:freq=daily;un\r\n til=20210315T0000Z\r\n"
        "RRULE:FREQ=WEEKLY;UNTIL=20220101\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20230101\r\nRRULE:FREQ=DAILY;UNTIL=20220101\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20200101\r\nRRULE:FREQ=DAILY;UNTIL=20220101\r\n"
        "RRULE:FREQ=YEARLY\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20200101\r\nRRULE:FREQ=DAILY;UNTIL=20220101\r\n"
        "RDATE:20300101\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20200101\r\nRRULE:FREQ=DAILY;UNTIL=20221301\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:bad\r\nRRULE:FREQ=DAILY;UNTIL=20220101\r\nEND:VEVENT\r\n"
        "BEGIN:VEVENT\r\nDTSTART:20200101\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    std::vector<DayNumber> lastDays;
    for (const IndexedEvent& event : IndexCalendar(text, "t.ics").events) {
        lastDays.push_back(event.lastDay);
    }
    // Folded and lower case, the later rule; a start after UNTIL; then a rule without UNTIL,
    // an RDATE, no date in UNTIL, no date in DTSTART and no rule at all leave it unknown.
    EXPECT_THAT(lastDays, ::testing::ElementsAre(20220101, 20230101, kUnknownDay, kUnknownDay,
                                                 kUnknownDay, kUnknownDay, kUnknownDay));
}

TEST(CalendarIndex, StructuralFaultsNameTheFileAndLine) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"", nullptr},
        {"\n  \n", nullptr},
        {"BEGIN:VEVENT\nEND:VEVENT\n", "f.ics, line 1: expected BEGIN:VCALENDAR"},
        {"BEGIN:VCALENDAR\nEND:VCALENDAR\ngarbage\n", "f.ics, line 3: not iCalendar data"},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\n", "f.ics, line 2: BEGIN:VEVENT is never closed"},
        {"END:VCALENDAR\n", "f.ics, line 1: END:VCALENDAR without BEGIN"},
        {"BEGIN:VCALENDAR\nBEGIN:VEVENT\nEND:VTODO\n",
         "f.ics, line 3: END:VTODO does not close BEGIN:VEVENT of line 2"},
    };
    for (const auto& test : cases) {
        if (!test.message) {
            EXPECT_TRUE(IndexCalendar(test.text, "f.ics").events.empty());
            continue;
        }
        EXPECT_THAT([&] { IndexCalendar(test.text, "f.ics"); },
                    ::testing::ThrowsMessage<CalendarError>(HasSubstr(test.message)))
            << test.text;
    }
}

}  // namespace
}  // namespace agendix::scan::ical
