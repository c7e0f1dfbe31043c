#include <gtest/gtest.h>

#include "scan/core/BarStatus.h"

namespace agendix::scan {
namespace {

constexpr CalendarDate kToday{2026, 12, 7};

LocalDateTime At(int hour, int minute, int second = 0) {
    return {kToday, hour, minute, second};
}

Appointment Meeting(LocalDateTime start, LocalDateTime end, std::string subject) {
    return {start, end, std::move(subject), "Room 1"};
}

struct Expected {
    LocalDateTime now;
    BarState state;
    std::string text;
    int percentage = 0;
};

void ExpectThroughTheDay(const std::vector<Appointment>& day, const std::vector<Expected>& cases) {
    for (const Expected& expected : cases) {
        const BarStatus status = StatusAt(expected.now, day, "Today:");
        SCOPED_TRACE(FormatHourMinute(expected.now) + ":" + std::to_string(expected.now.second));
        EXPECT_EQ(StateName(status.state), StateName(expected.state));
        EXPECT_EQ(status.text, expected.text);
        EXPECT_EQ(status.percentage, expected.percentage);
        EXPECT_EQ(status.tooltip, "Today:");
    }
}

TEST(BarStatus, FollowsTheDayBeforeDuringAndAfterItsAppointments) {
    // Listed out of order, as a calendar's collection may be.
    const std::vector<Appointment> day{Meeting(At(14, 0), At(15, 0), "Call"),
                                       Meeting(At(9, 0), At(10, 30), "Review")};
    ExpectThroughTheDay(day, {
                                 {At(7, 0), BarState::Upcoming, "09:00 Review"},
                                 {At(7, 59, 59), BarState::Upcoming, "09:00 Review"},
                                 {At(8, 0), BarState::Soon, "Review in 60 min"},
                                 {At(8, 35), BarState::Soon, "Review in 25 min"},
                                 {At(8, 35, 1), BarState::Soon, "Review in 25 min"},
                                 {At(8, 59, 59), BarState::Soon, "Review in 1 min"},
                                 {At(9, 0), BarState::Now, "Review (until 10:30)", 0},
                                 {At(9, 45), BarState::Now, "Review (until 10:30)", 50},
                                 {At(10, 29, 59), BarState::Now, "Review (until 10:30)", 99},
                                 {At(10, 30), BarState::Upcoming, "14:00 Call"},
                                 {At(13, 30), BarState::Soon, "Call in 30 min"},
                                 {At(15, 0), BarState::Empty, ""},
                             });
}

TEST(BarStatus, OfAppointmentsUnderWayShowsTheOneThatEndsFirst) {
    const std::vector<Appointment> day{
        Meeting(At(9, 0), At(17, 0), "Workshop"), Meeting(At(9, 30), At(10, 30), "Sync"),
        Meeting(At(10, 0), At(10, 30), "Call"),  // ends with Sync, started after it
        Meeting(At(10, 0), At(11, 0), "Lunch"), Meeting(At(11, 30), At(11, 45), "Standup")};
    ExpectThroughTheDay(day, {
                                 {At(9, 15), BarState::Now, "Workshop (until 17:00)", 3},
                                 {At(10, 15), BarState::Now, "Call (until 10:30)", 50},
                                 {At(10, 45), BarState::Now, "Lunch (until 11:00)", 75},
                                 // Under way beats starting soon.
                                 {At(11, 15), BarState::Now, "Workshop (until 17:00)", 28},
                                 {At(11, 40), BarState::Now, "Standup (until 11:45)", 66},
                             });
}

TEST(BarStatus, WholeDayAppointmentsAreListedButNeverShownWhileTimedOnesAre) {
    const std::vector<Appointment> day{
        Meeting(StartOfDay(kToday), StartOfDay(AddDays(kToday, 1)), "Holiday"),
        Meeting(StartOfDay(kToday), StartOfDay(AddDays(kToday, 3)), "Trip"),
        Meeting(At(9, 0), At(10, 0), "Review"),
        Meeting(At(22, 0), {AddDays(kToday, 1), 6, 0, 0}, "Night shift")};
    ExpectThroughTheDay(day, {
                                 {At(0, 0), BarState::Upcoming, "09:00 Review"},
                                 {At(8, 30), BarState::Soon, "Review in 30 min"},
                                 {At(12, 0), BarState::Upcoming, "22:00 Night shift"},
                                 {At(23, 0), BarState::Now, "Night shift (until 06:00)", 12},
                             });
    const std::vector<Appointment> onlyWholeDays(day.begin(), day.begin() + 2);
    ExpectThroughTheDay(onlyWholeDays, {{At(12, 0), BarState::Empty, ""}});
}

TEST(BarStatus, AnAppointmentWithoutDurationCountsDownAndIsThenPast) {
    const std::vector<Appointment> day{Meeting(At(9, 0), At(9, 0), "Reminder")};
    ExpectThroughTheDay(
        day, {{At(8, 59), BarState::Soon, "Reminder in 1 min"}, {At(9, 0), BarState::Empty, ""}});
}

TEST(BarStatus, TextAndToolTipAreEscapedMarkupAndTheTextIsOneLine) {
    const std::vector<Appointment> day{
        Meeting(At(9, 0), At(10, 0), "Q&A <b>\"Budget\"</b>\r\nit's\tZürich")};
    const std::string listing = "Today:\n [09:00 - 10:00] Q&A <b>\"Budget\"</b> (R&D)";
    const BarStatus status = StatusAt(At(8, 50), day, listing);
    EXPECT_EQ(status.text,
              "Q&amp;A &lt;b&gt;&quot;Budget&quot;&lt;/b&gt;  it&apos;s Zürich in 10 min");
    EXPECT_EQ(status.tooltip,
              "Today:\n [09:00 - 10:00] Q&amp;A &lt;b&gt;&quot;Budget&quot;&lt;/b&gt; "
              "(R&amp;D)");
    EXPECT_EQ(EscapeMarkup("&amp;"), "&amp;amp;");
}

TEST(BarStatus, AnEmptyDayShowsNothingButItsListing) {
    const BarStatus status = StatusAt(At(8, 0), {}, "No Appointments\n----");
    EXPECT_EQ(status, (BarStatus{"", "No Appointments\n----", BarState::Empty, 0}));
}

TEST(BarStatus, AnErrorIsVisibleAndExplainedInTheToolTip) {
    const BarStatus status = ErrorStatus("/home/a&b/calendar.ics, line 3: <broken>");
    EXPECT_EQ(status, (BarStatus{"Calendar unavailable",
                                 "/home/a&amp;b/calendar.ics, line 3: &lt;broken&gt;",
                                 BarState::Error, 0}));
    EXPECT_EQ(StateName(status.state), "error");
}

}  // namespace
}  // namespace agendix::scan
