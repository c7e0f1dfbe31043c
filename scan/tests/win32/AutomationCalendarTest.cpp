// The calendar read through automation, against the stand-in server (standin/), which holds the
// calendar of standin/calendar.ics. The appointment text must be what the Linux program gives
// for that file: standin/expected/ holds its output (standin/make-expected.sh).

#include <objbase.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "scan/core/AppointmentScan.h"
#include "scan/tests/FakeCalendar.h"
#include "scan/win32/AutomationCalendar.h"

namespace agendix::scan {
namespace {

using ::testing::HasSubstr;

constexpr wchar_t kStandIn[] = L"AgendixStandIn.Application";
constexpr wchar_t kBroken[] = L"AgendixStandIn.Broken";

std::string ExpectedOutput(const std::string& day) {
    std::ifstream file(std::string(AGENDIX_STANDIN_EXPECTED) + "/" + day + ".txt",
                       std::ios::binary);
    EXPECT_TRUE(file) << "no expected output for " << day;
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

CalendarDate DateOf(const std::string& day) {
    return {std::stoi(day.substr(0, 4)), std::stoi(day.substr(5, 2)), std::stoi(day.substr(8, 2))};
}

// What agendix-agenda prints: the balloon's title, a line end, the text without its NUL.
std::string PrintedBalloon(const std::vector<testing::BalloonCall>& calls) {
    EXPECT_EQ(calls.size(), 3u);
    if (calls.size() != 3u) {
        return {};
    }
    const std::string& text = calls[1].value;
    return calls[0].value + "\n" + text.substr(0, text.find('\0'));
}

class AutomationTextTest : public ::testing::TestWithParam<std::string> {};

TEST_P(AutomationTextTest, EqualsTheLinuxProgramsText) {
    const auto calendar = MakeAutomationCalendar(kStandIn);
    testing::FixedClock clock;
    clock.now = {DateOf(GetParam()), 10, 0, 0};
    testing::RecordingTray tray;
    NoMessagePump pump;
    AppointmentScan scan(*calendar, clock, tray, pump);

    scan.doIt(1);

    EXPECT_EQ(PrintedBalloon(tray.calls), ExpectedOutput(GetParam()));
}

// Moved, excluded and two-a-day occurrences, non-ASCII texts, an all-day event, one that began
// the day before, an empty location, days with nothing.
INSTANTIATE_TEST_SUITE_P(CalendarDays, AutomationTextTest,
                         ::testing::Values("2027-03-01", "2027-03-02", "2027-03-03", "2027-03-04",
                                           "2027-03-06", "2027-03-08"),
                         [](const auto& day) {
                             std::string name = day.param;
                             std::erase(name, '-');
                             return name;
                         });

std::string FailureOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const CalendarError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no CalendarError";
    return {};
}

TEST(AutomationCalendarTest, UnknownProgramIdIsNamedAsNotInstalled) {
    const auto calendar = MakeAutomationCalendar(L"Agendix.NoSuchCalendar");
    const std::string message = FailureOf([&] { calendar->CreateApplication(); });
    EXPECT_THAT(message, HasSubstr("\"Agendix.NoSuchCalendar\" is not installed"));
}

TEST(AutomationCalendarTest, RaisedErrorCarriesTheServersDescriptionAndStopsTheScan) {
    const auto calendar = MakeAutomationCalendar(kBroken);
    const std::string message = FailureOf([&] {
        calendar->CreateApplication()->GetNamespace("MAPI")->GetDefaultFolder(
            CalendarNamespace::kFolderCalendar);
    });
    EXPECT_EQ(message,
              "The calendar program \"AgendixStandIn.Broken\" failed in GetDefaultFolder: The "
              "calendar store is offline.");

    testing::FixedClock clock;
    testing::RecordingTray tray;
    NoMessagePump pump;
    AppointmentScan scan(*calendar, clock, tray, pump);
    EXPECT_THROW(scan.doIt(1), CalendarError);
    EXPECT_TRUE(tray.calls.empty());
}

// The series read the object model's own way: each day's occurrence looked up at the series'
// start time (a moved one found by the moment it was moved from), an excluded day failing.
TEST(AutomationCalendarTest, SeriesOccurrencesAreLookedUpAtTheSeriesStartTime) {
    const auto application = MakeAutomationCalendar(kStandIn)->CreateApplication();
    const auto folder =
        application->GetNamespace("MAPI")->GetDefaultFolder(CalendarNamespace::kFolderCalendar);
    const auto items = folder->Items();
    ASSERT_FALSE(items->GetFirst()->IsRecurring());  // the all-day event
    const auto series = items->GetNext();
    ASSERT_TRUE(series->IsRecurring());
    const auto pattern = series->GetRecurrencePattern();
    EXPECT_EQ(pattern->StartTime().hour, 8);
    EXPECT_EQ(pattern->StartTime().minute, 30);

    EXPECT_THROW(pattern->GetOccurrence({{2027, 3, 2}, 8, 30, 0}), CalendarError);
    const auto occurrences =
        pattern->GetOccurrences(StartOfDay({2027, 3, 1}), StartOfDay({2027, 3, 6}));
    std::vector<std::string> found;
    for (const auto& occurrence : occurrences) {
        found.push_back(occurrence->Subject() + " " + FormatHourMinute(occurrence->Start()));
        EXPECT_FALSE(occurrence->IsRecurring());
    }
    EXPECT_EQ(found,
              (std::vector<std::string>{"Stand-up Café ☕ 08:30", "Stand-up (später) 13:00",
                                        "Stand-up Café ☕ 08:30", "Stand-up (nachgeholt) 11:00"}));
    EXPECT_EQ(occurrences[3]->Start().date, (CalendarDate{2027, 3, 5}));
}

// COM is started for the calendar's objects only when the thread had none, and left as found.
TEST(AutomationCalendarTest, LeavesTheThreadsComAsItFoundIt) {
    std::thread withoutCom([] {
        {
            const auto application = MakeAutomationCalendar(kStandIn)->CreateApplication();
            EXPECT_TRUE(application->GetNamespace("MAPI"));
        }
        // S_OK, not S_FALSE: COM had been ended again.
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        CoUninitialize();
    });
    withoutCom.join();

    std::thread multithreaded([] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        {
            const auto application = MakeAutomationCalendar(kStandIn)->CreateApplication();
            EXPECT_TRUE(application->GetNamespace("MAPI"));
        }
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_FALSE);
        CoUninitialize();
        CoUninitialize();
    });
    multithreaded.join();
}

}  // namespace
}  // namespace agendix::scan
