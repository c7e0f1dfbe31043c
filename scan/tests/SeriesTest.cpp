// Recurring series through the object model: series begun long ago, COUNT and UNTIL, and the
// occurrence lookup by exact start.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

using ::testing::HasSubstr;

std::string Series(const char* uid, const char* start, const char* rule) {
    return std::string("BEGIN:VEVENT\nUID:") + uid + "\nDTSTART:" + start +
           "\nDURATION:PT30M\nRRULE:" + rule + "\nSUMMARY:" + uid + "\nEND:VEVENT\n";
}

class LongRunningSeries : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_.Write(
            Calendar(Series("daily", "19900101T070000", "FREQ=DAILY") +
                     Series("fortnight", "19900101T090000", "FREQ=WEEKLY;INTERVAL=2;BYDAY=MO,WE") +
                     Series("lastfriday", "20010105T100000", "FREQ=MONTHLY;BYDAY=-1FR") +
                     Series("ended", "19900101T110000", "FREQ=DAILY;COUNT=10") +
                     Series("counted", "20261201T120000", "FREQ=DAILY;COUNT=7") +
                     Series("until", "20261201T130000", "FREQ=DAILY;UNTIL=20261207T130000")));
    }
    std::string Day(const CalendarDate& date) { return agenda_.Scan(date, false).text; }

    TemporaryCalendar folder_;
    Agenda agenda_{folder_.File()};
};

TEST_F(LongRunningSeries, SeriesBegunYearsAgoRecurOnTheRightDays) {
    const std::string monday7 = Day({2026, 12, 7});
    EXPECT_THAT(monday7, HasSubstr(" [07:00 - 07:30] daily ()\n"));
    EXPECT_THAT(monday7, Not(HasSubstr("fortnight")));
    EXPECT_THAT(Day({2026, 12, 14}), HasSubstr(" [09:00 - 09:30] fortnight ()\n"));
    EXPECT_THAT(Day({2026, 12, 16}), HasSubstr("fortnight"));
    EXPECT_THAT(Day({2026, 12, 25}), HasSubstr(" [10:00 - 10:30] lastfriday ()\n"));
    EXPECT_THAT(Day({2026, 12, 18}), Not(HasSubstr("lastfriday")));
}

TEST_F(LongRunningSeries, CountAndUntilEndASeries) {
    EXPECT_THAT(Day({1990, 1, 10}), HasSubstr("ended"));
    EXPECT_THAT(Day({1990, 1, 11}), Not(HasSubstr("ended")));
    EXPECT_THAT(Day({2026, 12, 7}), HasSubstr("counted"));
    EXPECT_THAT(Day({2026, 12, 8}), Not(HasSubstr("counted")));
    EXPECT_THAT(Day({2026, 12, 7}), HasSubstr("until"));
    EXPECT_THAT(Day({2026, 12, 8}), Not(HasSubstr("until")));
}

TEST_F(LongRunningSeries, GetOccurrenceFindsOnlyAnExactStart) {
    auto items = agenda_.Calendar()
                     .CreateApplication()
                     ->GetNamespace("MAPI")
                     ->GetDefaultFolder(CalendarNamespace::kFolderCalendar)
                     ->Items();
    const auto daily = items->GetFirst();
    ASSERT_TRUE(daily && daily->IsRecurring());
    const auto pattern = daily->GetRecurrencePattern();
    EXPECT_EQ(pattern->StartTime(), (LocalDateTime{{1990, 1, 1}, 7, 0, 0}));
    const auto occurrence = pattern->GetOccurrence({{2026, 12, 7}, 7, 0, 0});
    EXPECT_EQ(occurrence->End(), (LocalDateTime{{2026, 12, 7}, 7, 30, 0}));
    EXPECT_THROW(pattern->GetOccurrence({{2026, 12, 7}, 7, 1, 0}), CalendarError);
}

TEST(IcalRestrict, KeepsSeriesAndTheDaysEventsInCollectionOrder) {
    TemporaryCalendar folder;
    std::string events;
    for (int day = 1; day <= 28; ++day) {
        char start[32];
        std::snprintf(start, sizeof start, "202612%02dT230000Z", day);
        events += std::string("BEGIN:VEVENT\nUID:d") + std::to_string(day) + "\nDTSTART:" + start +
                  "\nSUMMARY:day " + std::to_string(day) + "\nEND:VEVENT\n";
    }
    folder.Write(Calendar(events + Series("daily", "19900101T070000", "FREQ=DAILY")));
    const ScopedTimeZone tokyo("Asia/Tokyo");  // 23:00 UTC is 08:00 the next day
    Agenda agenda(folder.File());
    auto items = agenda.Calendar()
                     .CreateApplication()
                     ->GetNamespace("MAPI")
                     ->GetDefaultFolder(CalendarNamespace::kFolderCalendar)
                     ->Items()
                     ->Restrict(StartOfDay({2026, 12, 7}), StartOfDay({2026, 12, 8}));
    std::vector<std::string> subjects;
    for (auto item = items->GetFirst(); item; item = items->GetNext()) {
        subjects.push_back(item->Subject());
    }
    EXPECT_THAT(subjects, ::testing::ElementsAre("day 6", "daily"));
}

// A series that UNTIL ended more than two days before the day is not even read: its broken
// DTEND would fail the scan. One whose last occurrence a zone moves into the day is kept, and so
// is an ended one whose override moved an occurrence into the day.
TEST(IcalRestrict, SeriesEndedBeforeTheDayAreLeftUnread) {
    TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:ended\nDTSTART:19900101T070000\nDTEND:broken\n"
                 "RRULE:FREQ=DAILY;UNTIL=20261204T000000Z\nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:late\nDTSTART;TZID=Pacific/Pago_Pago:19900101T233000\n"
                 "DURATION:PT15M\nRRULE:FREQ=DAILY;UNTIL=20261205\nSUMMARY:late\nEND:VEVENT\n" +
                 Series("moved", "19900101T080000", "FREQ=DAILY;UNTIL=20261201T235959Z") +
                 "BEGIN:VEVENT\nUID:moved\nRECURRENCE-ID:20261201T080000\nDTSTART:20261207T100000\n"
                 "DURATION:PT1H\nSUMMARY:moved\nEND:VEVENT\n"));
    const ScopedTimeZone kiritimati("Pacific/Kiritimati");  // 25 hours ahead of Pago Pago
    Agenda agenda(folder.File());
    EXPECT_EQ(agenda.Scan({2026, 12, 7}, false).text,
              " [00:30 - 00:45] late ()\n [10:00 - 11:00] moved ()\n\n");
}

}  // namespace
}  // namespace agendix::scan::testing
