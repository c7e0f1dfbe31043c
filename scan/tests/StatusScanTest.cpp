#include <gtest/gtest.h>

#include "scan/core/StatusScan.h"
#include "scan/tests/FakeCalendar.h"

namespace agendix::scan {
namespace {

using testing::FakeAppointment;

constexpr CalendarDate kToday{2026, 12, 7};
constexpr CalendarDate kTomorrow{2026, 12, 8};

LocalDateTime At(CalendarDate date, int hour, int minute = 0) {
    return {date, hour, minute, 0};
}

FakeAppointment Single(CalendarDate date, int fromHour, int toHour, std::string subject) {
    return {At(date, fromHour), At(date, toHour), std::move(subject), "Room 1", {}};
}

class StatusScanTest : public ::testing::Test {
  protected:
    testing::FakeCalendar calendar;
    testing::FixedClock clock;  // 08:30 today
};

TEST_F(StatusScanTest, ToolTipIsTheBalloonThenWhatWasLeftOut) {
    calendar.appointments = {Single(kTomorrow, 9, 10, "Dentist"), Single(kToday, 9, 10, "R&D")};
    calendar.readProblems = {"a.ics could not be read", "b.ics could not be read"};
    StatusScan withTomorrow(calendar, clock, true);
    EXPECT_EQ(withTomorrow.Refresh(),
              (BarStatus{"R&amp;D in 30 min",
                         "Today:\n [09:00 - 10:00] R&amp;D (Room 1)\n\nTomorrow:\n"
                         " [09:00 - 10:00] Dentist (Room 1)\n\n"
                         "a.ics could not be read\nb.ics could not be read",
                         BarState::Soon, 0}));

    calendar.readProblems.clear();
    StatusScan todayOnly(calendar, clock, false);
    EXPECT_EQ(todayOnly.Refresh().tooltip, "Today:\n [09:00 - 10:00] R&amp;D (Room 1)");

    calendar.appointments = {Single(kTomorrow, 9, 10, "Dentist")};
    EXPECT_EQ(todayOnly.Refresh(), (BarStatus{"", "No Appointments\n----", BarState::Empty, 0}));
    EXPECT_EQ(withTomorrow.Refresh(),
              (BarStatus{"", "Tomorrow:\n [09:00 - 10:00] Dentist (Room 1)", BarState::Empty, 0}));
}

TEST_F(StatusScanTest, AFailureAfterAReadingTodayKeepsThatReadingAsStale) {
    calendar.appointments = {Single(kToday, 9, 10, "Review")};
    StatusScan scan(calendar, clock, false);
    EXPECT_EQ(scan.Refresh().state, BarState::Soon);

    calendar.failToOpen = true;
    clock.now = At(kToday, 9, 15);
    EXPECT_EQ(scan.Refresh(),
              (BarStatus{"Review (until 10:00)",
                         "calendar.ics line 3: broken\n\nAs read at 08:30:\nToday:\n"
                         " [09:00 - 10:00] Review (Room 1)",
                         BarState::Stale, 25}));

    // Once mended, the status is current again, and the next failure keeps the new reading.
    calendar.failToOpen = false;
    calendar.appointments = {Single(kToday, 11, 12, "Moved")};
    EXPECT_EQ(scan.Refresh().text, "11:00 Moved");
    calendar.failToOpen = true;
    clock.now = At(kToday, 10, 30);
    const BarStatus stale = scan.Refresh();
    EXPECT_EQ(stale.state, BarState::Stale);
    EXPECT_EQ(stale.text, "Moved in 30 min");
    EXPECT_NE(stale.tooltip.find("As read at 09:15:"), std::string::npos);
}

TEST_F(StatusScanTest, AFailureWithoutAReadingFromTodayIsAnError) {
    StatusScan scan(calendar, clock, false);
    calendar.failToOpen = true;
    EXPECT_EQ(scan.Refresh(), ErrorStatus("calendar.ics line 3: broken"));

    calendar.failToOpen = false;
    calendar.appointments = {Single(kToday, 22, 23, "Late")};
    EXPECT_EQ(scan.Refresh().state, BarState::Upcoming);
    // Yesterday's reading says nothing about today.
    calendar.failToOpen = true;
    clock.now = At(kTomorrow, 0, 1);
    EXPECT_EQ(scan.Refresh(), ErrorStatus("calendar.ics line 3: broken"));
}

// The day scanned and the moment the status is worked out for are one reading of the clock, even
// when midnight passes during the refresh.
class ClockPassingMidnight : public Clock {
  public:
    LocalDateTime Now() const override {
        return readings_++ == 0 ? LocalDateTime{kToday, 23, 59, 59} : At(kTomorrow, 0, 0);
    }

  private:
    mutable int readings_ = 0;
};

TEST_F(StatusScanTest, ScansTheDayOfTheMomentItShows) {
    calendar.appointments = {Single(kToday, 23, 0, "Tonight"), Single(kTomorrow, 0, 1, "Night")};
    calendar.appointments[0].end = At(kTomorrow, 1);
    const ClockPassingMidnight passing;
    StatusScan scan(calendar, passing, false);
    const BarStatus status = scan.Refresh();
    EXPECT_EQ(status.text, "Tonight (until 01:00)");
    EXPECT_EQ(status.tooltip, "Today:\n [23:00 - 01:00] Tonight (Room 1)");
}

}  // namespace
}  // namespace agendix::scan
