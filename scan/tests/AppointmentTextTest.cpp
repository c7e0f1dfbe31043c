#include <gtest/gtest.h>

#include "scan/core/AppointmentText.h"

namespace agendix::scan {
namespace {

LocalDateTime At(int hour, int minute) {
    return {{2026, 12, 7}, hour, minute, 0};
}

TEST(AppointmentLine, HasTimesSubjectAndLocationInFixedPieces) {
    EXPECT_EQ(FormatAppointmentLine(At(9, 0), At(10, 30), "Review", "Room 2"),
              " [09:00 - 10:30] Review (Room 2)\r\n");
    EXPECT_EQ(FormatAppointmentLine(At(14, 5), At(23, 59), "", ""), " [14:05 - 23:59]  ()\r\n");
    EXPECT_EQ(FormatAppointmentLine(At(0, 0), At(0, 0), "Holiday", "Zürich"),
              " [00:00 - 00:00] Holiday (Zürich)\r\n");
}

TEST(AppointmentTextAndTitle, FollowWhichDaysHaveLines) {
    struct Case {
        DayLines lines;
        std::string text;
        std::string title;
        std::string todayAfter;
    };
    const std::string t = " [09:00 - 10:00] A (x)\r\n";
    const std::string m = " [11:00 - 12:00] B (y)\r\n";
    const Case cases[] = {
        {{t, ""}, t + "\r\n", "Today:", t},
        {{t, m}, t + "\r\nTomorrow:\r\n" + m + "\r\n", "Today:", t},
        {{"", m}, m + "\r\n", "Tomorrow:", ""},
        {{"", ""}, "----", "No Appointments", "----"},
    };
    for (const auto& c : cases) {
        DayLines lines = c.lines;
        EXPECT_EQ(AssembleAppointmentText(lines), c.text);
        EXPECT_EQ(ChooseTitle(lines), c.title);
        EXPECT_EQ(lines[0], c.todayAfter);
    }
}

TEST(CalendarDates, AddDaysCrossesMonthsYearsAndLeapDays) {
    EXPECT_EQ(AddDays({2026, 12, 31}, 1), (CalendarDate{2027, 1, 1}));
    EXPECT_EQ(AddDays({2028, 2, 28}, 1), (CalendarDate{2028, 2, 29}));
    EXPECT_EQ(AddDays({2027, 2, 28}, 1), (CalendarDate{2027, 3, 1}));
    EXPECT_EQ(AddDays({2026, 3, 1}, -1), (CalendarDate{2026, 2, 28}));
}

}  // namespace
}  // namespace agendix::scan
