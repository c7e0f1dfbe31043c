#include "scan/linux/CalendarIndex.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {
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
    EXPECT_EQ(first.uid, "one");    // what tells its appointments from those of others
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

// What the index keeps of an event: its own properties that are read later, as written.
TEST(CalendarIndex, KeepsTheReadPropertiesOfEventsAndWholeTimeZones) {
    const std::string zone =
        "BEGIN:VTIMEZONE\r\nTZID:Z\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
        "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0100\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";
    const std::string text =
        "BEGIN:VCALENDAR\r\n" + zone +
        "BEGIN:VEVENT\r\nUID:a\r\nDTSTAMP:20260101T000000Z\r\nsummary;LANGUAGE=de:Plan\r\n"
        "  ung\r\nDESCRIPTION:long\r\n text\r\nDTSTART;TZID=Z:20261207T090000\r\n"
        "BEGIN:VALARM\r\nTRIGGER:-PT5M\r\nSUMMARY:alarm\r\nEND:VALARM\r\n"
        "X-SUMMARY:no\r\nLOCATION:Room\r\nEND:VEVENT\r\n"
        "END:VCALENDAR\r\n";
    const CalendarIndex index = IndexCalendar(text, "t.ics");
    ASSERT_EQ(index.events.size(), 1u);
    ASSERT_EQ(index.timeZones.size(), 1u);
    EXPECT_EQ(index.Text(index.timeZones[0]), zone);
    EXPECT_EQ(index.Text(index.events[0]),
              "summary;LANGUAGE=de:Plan\r\n  ung\r\nDTSTART;TZID=Z:20261207T090000\r\n"
              "LOCATION:Room\r\n");
}

// A scan keeps only the single events of the days it may ask for; every series, override and
// event whose day the index cannot tell stays readable.
TEST(CalendarIndex, KeepsSingleEventsOfTheKeptDaysOnly) {
    const std::string text =
        "BEGIN:VCALENDAR\n"
        "BEGIN:VEVENT\nUID:in\nDTSTART:20261207T090000\nSUMMARY:in\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:out\nDTSTART:20270107T090000\nSUMMARY:out\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:s\nDTSTART:19900101T090000\nRRULE:FREQ=DAILY\nEND:VEVENT\n"
        "BEGIN:VEVENT\nUID:s\nRECURRENCE-ID:19900102T090000\nDTSTART:19900103T090000\n"
        "END:VEVENT\n"
        "BEGIN:VEVENT\nUID:odd\nDTSTART:soon\nEND:VEVENT\n"
        "END:VCALENDAR\n";
    const CalendarIndex index = IndexCalendar(
        [text = std::string_view(text)](char* buffer, std::size_t size) mutable {
            const std::size_t count = text.copy(buffer, size);
            text.remove_prefix(count);
            return count;
        },
        text.size(), DayRange{20261201, 20261231}, "t.ics");
    std::vector<std::string_view> kept;
    for (const IndexedEvent& event : index.events) {
        kept.push_back(index.Text(event));
    }
    EXPECT_THAT(kept,
                ::testing::ElementsAre("DTSTART:20261207T090000\nSUMMARY:in\n", "",
                                       "DTSTART:19900101T090000\nRRULE:FREQ=DAILY\n",
                                       "RECURRENCE-ID:19900102T090000\nDTSTART:19900103T090000\n",
                                       "DTSTART:soon\n"));
    EXPECT_EQ(index.events[1].startDay, 20270107);
}

// A file is read a buffer at a time and a read may stop anywhere: within a line, between a line
// and its continuation, in a line longer than the buffer. The index is the same.
TEST(CalendarIndex, AFileReadInPiecesIndexesAsAWhole) {
    std::string text =
        "\xEF\xBB\xBF"
        "BEGIN:VCALENDAR\r\n"
        "BEGIN:VTIMEZONE\r\nTZID:Z\r\nX-LONG:\r\n " +
        std::string(200'000, 'z') + "\r\nEND:VTIMEZONE\r\n";
    for (int i = 0; i < 300; ++i) {
        const std::string n = std::to_string(i);
        text += "BEGIN:VEVENT\r\nUID:u" + n + "\r\n fold\r\nDTSTART:2026" +
                (i % 2 ? "12" : "\r\n 12") + "07T090000\r\nRRULE:FREQ=DAILY;UN\r\n\tTIL=2030011" +
                n.substr(0, 1) + "\r\nSUMMARY:" + std::string(static_cast<std::size_t>(i), 's') +
                "\r\nEND:VEVENT\r\n";
    }
    text += "END:VCALENDAR";
    const CalendarIndex whole = IndexCalendar(text, "t.ics");
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> length(1, 9000);
    std::string_view rest = text;
    const CalendarIndex pieces = IndexCalendar(
        [&](char* buffer, std::size_t size) {
            const std::size_t count = rest.copy(buffer, std::min(size, length(random)));
            rest.remove_prefix(count);
            return count;
        },
        text.size(), DayRange{}, "t.ics");
    EXPECT_EQ(pieces.text, whole.text);
    ASSERT_EQ(pieces.events.size(), 300u);
    ASSERT_EQ(pieces.events.size(), whole.events.size());
    for (std::size_t i = 0; i < whole.events.size(); ++i) {
        const IndexedEvent& a = pieces.events[i];
        const IndexedEvent& b = whole.events[i];
        EXPECT_EQ(std::tie(a.offset, a.length, a.line, a.kept.offset, a.kept.length, a.startDay,
                           a.lastDay, a.recurring, a.uid),
                  std::tie(b.offset, b.length, b.line, b.kept.offset, b.kept.length, b.startDay,
                           b.lastDay, b.recurring, b.uid));
    }
    EXPECT_EQ(whole.events[299].uid, "u299fold");
    EXPECT_EQ(whole.events[298].startDay, 20261207);
    EXPECT_EQ(whole.events[23].lastDay, 20300112);
    EXPECT_EQ(text.substr(whole.events[0].offset, 12), "BEGIN:VEVENT");
    const IndexedComponent& zone = pieces.timeZones.at(0);
    EXPECT_EQ(pieces.Text(zone), text.substr(zone.offset, zone.length));
}

}  // namespace
}  // namespace agendix::scan
