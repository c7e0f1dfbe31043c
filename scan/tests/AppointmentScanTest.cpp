#include <gtest/gtest.h>

#include "scan/core/AppointmentScan.h"
#include "scan/tests/FakeCalendar.h"

namespace agendix::scan {
namespace {

using testing::BalloonCall;
using testing::FakeAppointment;

constexpr CalendarDate kToday{2026, 12, 7};
constexpr CalendarDate kTomorrow{2026, 12, 8};
constexpr CalendarDate kYesterday{2026, 12, 6};

LocalDateTime At(CalendarDate date, int hour, int minute = 0) {
    return {date, hour, minute, 0};
}

FakeAppointment Single(CalendarDate date, int fromHour, int toHour, std::string subject,
                       std::string location = "Room 1") {
    return {At(date, fromHour), At(date, toHour), std::move(subject), std::move(location), {}};
}

FakeAppointment Series(FakeAppointment first, std::vector<FakeAppointment> occurrences) {
    first.occurrences = std::move(occurrences);
    return first;
}

class AppointmentScanTest : public ::testing::Test {
  protected:
    testing::FakeCalendar calendar;
    testing::FixedClock clock;
    testing::RecordingTray tray;
    testing::CountingPump pump;
    AppointmentScan scan{calendar, clock, tray, pump};

    std::vector<BalloonCall> Balloon(const std::string& title, const std::string& text) {
        return {{"title", title}, {"text", text + '\0'}, {"show", "1"}};
    }
};

TEST_F(AppointmentScanTest, EmptyCalendarShowsNoAppointmentsOnceThenStaysQuiet) {
    scan.doIt(1);
    EXPECT_EQ(tray.calls, Balloon("No Appointments", "----"));
    EXPECT_EQ(scan.CurrentDayLines()[0], "----");

    tray.calls.clear();
    scan.doIt(1);
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_EQ(pump.pumps, 2);
    EXPECT_EQ(calendar.applicationsCreated, 2);
}

TEST_F(AppointmentScanTest, ListsTodayInCollectionOrderByStartDateOnly) {
    calendar.appointments = {
        Single(kToday, 15, 16, "Late"),
        Single(kYesterday, 22, 9, "Overnight"),  // ends today, started yesterday
        Single(kToday, 9, 10, "Early", ""),
        Single(kTomorrow, 9, 10, "Tomorrow's"),
    };
    scan.doIt(0);
    const std::string today = " [15:00 - 16:00] Late (Room 1)\r\n [09:00 - 10:00] Early ()\r\n";
    EXPECT_EQ(tray.calls, Balloon("Today:", today + "\r\n"));
    EXPECT_EQ(scan.AppointmentText(), today + "\r\n");
}

TEST_F(AppointmentScanTest, TomorrowIsReadOnlyWhenTicked) {
    calendar.appointments = {Single(kTomorrow, 9, 10, "Dentist")};
    scan.doIt(0);
    EXPECT_EQ(tray.calls, Balloon("No Appointments", "----"));

    tray.calls.clear();
    scan.doIt(1);
    EXPECT_EQ(tray.calls, Balloon("Tomorrow:", " [09:00 - 10:00] Dentist (Room 1)\r\n\r\n"));
}

TEST_F(AppointmentScanTest, BothDaysGetTheTomorrowHeadingAndUntickingCountsAsChange) {
    calendar.appointments = {Single(kTomorrow, 9, 10, "B"), Single(kToday, 8, 9, "A")};
    scan.doIt(1);
    EXPECT_EQ(tray.calls, Balloon("Today:",
                                  " [08:00 - 09:00] A (Room 1)\r\n\r\nTomorrow:\r\n"
                                  " [09:00 - 10:00] B (Room 1)\r\n\r\n"));
    tray.calls.clear();
    scan.doIt(0);
    EXPECT_EQ(tray.calls, Balloon("Today:", " [08:00 - 09:00] A (Room 1)\r\n\r\n"));
}

TEST_F(AppointmentScanTest, SeriesListsEachOccurrenceOfTheDayWithItsOwnTimes) {
    const auto weekly = Single({2020, 1, 6}, 9, 10, "Standup");
    auto moved = Single(kToday, 11, 12, "Standup (moved)", "Hall");
    calendar.appointments = {
        Single(kToday, 7, 8, "Before"),
        Series(weekly, {Single({2020, 1, 6}, 9, 10, "Standup"), moved}),
        Series(Single({2026, 1, 1}, 6, 7, "Twice"),
               {Single(kToday, 6, 7, "Twice"), Single(kToday, 18, 19, "Twice")}),
        Series(Single({2026, 1, 2}, 6, 7, "Not today"), {Single({2026, 12, 9}, 6, 7, "x")}),
    };
    scan.doIt(0);
    EXPECT_EQ(scan.CurrentDayLines()[0],
              " [07:00 - 08:00] Before (Room 1)\r\n"
              " [11:00 - 12:00] Standup (moved) (Hall)\r\n"
              " [06:00 - 07:00] Twice (Room 1)\r\n"
              " [18:00 - 19:00] Twice (Room 1)\r\n");
}

TEST_F(AppointmentScanTest, CurrentAppointmentsAreThoseBehindTheLinesInTheirOrder) {
    const auto moved = Single(kTomorrow, 11, 12, "Standup (moved)", "Hall");
    calendar.appointments = {
        Single(kToday, 15, 16, "Late"),
        Series(Single({2020, 1, 6}, 9, 10, "Standup"), {Single(kToday, 9, 10, "Standup"), moved}),
        Single(kTomorrow, 8, 9, "Early"),
    };
    scan.doIt(1);
    auto appointment = [](const FakeAppointment& fake) {
        return Appointment{fake.start, fake.end, fake.subject, fake.location};
    };
    EXPECT_EQ(scan.CurrentAppointments()[0],
              (std::vector{appointment(calendar.appointments[0]),
                           appointment(Single(kToday, 9, 10, "Standup"))}));
    EXPECT_EQ(scan.CurrentAppointments()[1],
              (std::vector{appointment(moved), appointment(calendar.appointments[2])}));

    scan.doIt(0);
    EXPECT_TRUE(scan.CurrentAppointments()[1].empty());
}

TEST_F(AppointmentScanTest, SeriesIsListedOnceOnItsOwnFirstDay) {
    const auto first = Single(kToday, 9, 10, "Kick-off");
    calendar.appointments = {Series(first, {first, Single(kTomorrow, 9, 10, "Kick-off")})};
    scan.doIt(0);
    EXPECT_EQ(scan.CurrentDayLines()[0], " [09:00 - 10:00] Kick-off (Room 1)\r\n");
}

TEST_F(AppointmentScanTest, SeriesWhoseFirstOccurrenceWasExcludedIsNotListedByItsOwnStart) {
    calendar.appointments = {
        Series(Single(kToday, 9, 10, "Cancelled first"), {Single(kTomorrow, 9, 10, "x")})};
    scan.doIt(0);
    EXPECT_EQ(scan.CurrentDayLines()[0], "----");
}

TEST_F(AppointmentScanTest, UnreadableOccurrencesFallBackToTheSeriesOwnStart) {
    auto series = Series(Single(kToday, 9, 10, "Series"), {});
    series.occurrencesFail = true;
    calendar.appointments = {series};
    scan.doIt(0);
    EXPECT_EQ(scan.CurrentDayLines()[0], " [09:00 - 10:00] Series (Room 1)\r\n");
}

TEST_F(AppointmentScanTest, DoesNothingWhileLoading) {
    scan.SetIsLoading(true);
    scan.doIt(1);
    EXPECT_EQ(calendar.applicationsCreated, 0);
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_EQ(pump.pumps, 0);
}

TEST_F(AppointmentScanTest, FailureReachesCallerAndLeavesTrayAlone) {
    calendar.failToOpen = true;
    EXPECT_THROW(scan.doIt(0), CalendarError);

    calendar.failToOpen = false;
    auto broken = Single(kToday, 10, 11, "Broken");
    broken.unreadable = true;
    calendar.appointments = {Single(kToday, 9, 10, "Fine"), broken};
    EXPECT_THROW(scan.doIt(0), CalendarError);
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_EQ(pump.pumps, 0);
    EXPECT_EQ(scan.CurrentDayLines()[0], " [09:00 - 10:00] Fine (Room 1)\r\n");

    // The next scan that succeeds compares with what the failed one had built.
    calendar.appointments.pop_back();
    scan.doIt(0);
    EXPECT_EQ(tray.calls, Balloon("Today:", " [09:00 - 10:00] Fine (Room 1)\r\n\r\n"));
}

TEST_F(AppointmentScanTest, ReadProblemsAreThoseOfTheLatestScanThatCompleted) {
    const std::vector<std::string> problems{"The calendar file \"a.ics\" could not be read"};
    calendar.readProblems = problems;
    scan.doIt(0);
    EXPECT_EQ(scan.ReadProblems(), problems);

    // A failed scan tells nothing new; the next one that completes tells its own.
    calendar.readProblems.clear();
    calendar.failToOpen = true;
    EXPECT_THROW(scan.doIt(0), CalendarError);
    EXPECT_EQ(scan.ReadProblems(), problems);
    calendar.failToOpen = false;
    scan.doIt(0);
    EXPECT_TRUE(scan.ReadProblems().empty());

    // They are told even when the balloon stays as it was.
    calendar.readProblems = problems;
    tray.calls.clear();
    scan.doIt(0);
    EXPECT_TRUE(tray.calls.empty());
    EXPECT_EQ(scan.ReadProblems(), problems);
}

// The caller may have shown a failure in the balloon: after any failed scan, the next one that
// succeeds puts its lines back, even when they equal those from before the failure.
TEST_F(AppointmentScanTest, AfterAFailureTheNextScanAlwaysUpdatesTheTray) {
    calendar.appointments = {Single(kToday, 9, 10, "Review")};
    scan.doIt(0);
    calendar.failToOpen = true;
    EXPECT_THROW(scan.doIt(0), CalendarError);
    calendar.failToOpen = false;
    tray.calls.clear();
    scan.doIt(0);
    EXPECT_EQ(tray.calls, Balloon("Today:", " [09:00 - 10:00] Review (Room 1)\r\n\r\n"));
    tray.calls.clear();
    scan.doIt(0);
    EXPECT_TRUE(tray.calls.empty());
}

TEST_F(AppointmentScanTest, FollowsTheClockAcrossMidnight) {
    calendar.appointments = {Single(kToday, 9, 10, "Today"), Single(kTomorrow, 9, 10, "Next")};
    scan.doIt(0);
    clock.now = At(kTomorrow, 0, 1);
    tray.calls.clear();
    scan.doIt(0);
    EXPECT_EQ(tray.calls, Balloon("Today:", " [09:00 - 10:00] Next (Room 1)\r\n\r\n"));
}

TEST_F(AppointmentScanTest, AsksOnlyForItemsThatMayStartOnTheScannedDays) {
    for (int day = 1; day <= 28; ++day) {
        calendar.appointments.push_back(Single({2026, 11, day}, 9, 10, "Old"));
    }
    calendar.appointments.push_back(Single(kToday, 9, 10, "Now"));
    scan.doIt(1);
    EXPECT_EQ(calendar.itemsEnumerated, 1);
}

}  // namespace
}  // namespace agendix::scan
