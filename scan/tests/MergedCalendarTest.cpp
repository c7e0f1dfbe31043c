#include <gtest/gtest.h>

#include "scan/core/AppointmentScan.h"
#include "scan/core/MergedCalendar.h"
#include "scan/tests/FakeCalendar.h"

namespace agendix::scan {
namespace {

using testing::FakeAppointment;
using testing::FakeCalendar;

constexpr CalendarDate kToday{2026, 12, 7};
constexpr CalendarDate kTomorrow{2026, 12, 8};

FakeAppointment At(CalendarDate date, int hour, std::string subject, std::string identity = "") {
    FakeAppointment appointment{
        {date, hour, 0, 0}, {date, hour + 1, 0, 0}, std::move(subject), "", {}};
    appointment.identity = std::move(identity);
    return appointment;
}

// Scans several fake calendars merged, as the program scans its calendars.
class MergedCalendarTest : public ::testing::Test {
  protected:
    FakeCalendar work;
    FakeCalendar home;
    FakeCalendar shared;
    testing::FixedClock clock;
    testing::RecordingTray tray;
    NoMessagePump pump;

    std::unique_ptr<AppointmentScan> ScanOf(std::vector<NamedCalendar> calendars) {
        calendars_ = std::move(calendars);
        factory_ = std::make_unique<Factory>(calendars_);
        return std::make_unique<AppointmentScan>(*factory_, clock, tray, pump);
    }

  private:
    struct Factory : CalendarApplicationFactory {
        explicit Factory(const std::vector<NamedCalendar>& named) : calendars(named) {}
        std::unique_ptr<CalendarApplication> CreateApplication() override {
            return CreateMergedApplication(calendars);
        }
        const std::vector<NamedCalendar>& calendars;
    };
    std::vector<NamedCalendar> calendars_;
    std::unique_ptr<Factory> factory_;
};

// The subjects the scan found on day `day` (0 today, 1 tomorrow), in order.
std::vector<std::string> Subjects(const AppointmentScan& scan, std::size_t day) {
    std::vector<std::string> subjects;
    for (const Appointment& appointment : scan.CurrentAppointments()[day]) {
        subjects.push_back(appointment.subject);
    }
    return subjects;
}

using Names = std::vector<std::string>;

TEST_F(MergedCalendarTest, ListsTheCalendarsInTheirOrderEachInItsOwnOrder) {
    work.appointments = {At(kToday, 15, "Review"), At(kToday, 9, "Stand-up"),
                         At(kTomorrow, 10, "Planning")};
    home.appointments = {At(kToday, 8, "School run"), At(kTomorrow, 18, "Dinner")};
    auto scan = ScanOf({{"work.ics", &work}, {"home", &home}});
    scan->doIt(1);
    EXPECT_EQ(Subjects(*scan, 0), (Names{"Review", "Stand-up", "School run"}));
    EXPECT_EQ(Subjects(*scan, 1), (Names{"Planning", "Dinner"}));
    EXPECT_TRUE(scan->ReadProblems().empty());
}

TEST_F(MergedCalendarTest, AnAppointmentHeldByTwoCalendarsIsListedOnceWhereFirstFound) {
    // The same invitation in both calendars; an occurrence of the same series only in one; and
    // appointments without an identity, which are never taken for one another.
    FakeAppointment series = At(kToday, 7, "Daily", "daily");
    series.occurrences = std::vector{At(kToday, 7, "Daily", "daily/20261207T070000Z")};
    work.appointments = {At(kToday, 11, "Invitation", "invite-1"), series, At(kToday, 12, "Lunch")};
    home.appointments = {At(kToday, 11, "Invitation (copy)", "invite-1"),
                         At(kToday, 7, "Daily", "daily/20261207T070000Z"),
                         At(kToday, 7, "Daily, other day", "daily/20261208T070000Z"),
                         At(kToday, 12, "Lunch")};
    auto scan = ScanOf({{"work", &work}, {"home", &home}});
    scan->doIt(0);
    EXPECT_EQ(Subjects(*scan, 0),
              (Names{"Invitation", "Daily", "Lunch", "Daily, other day", "Lunch"}));
}

TEST_F(MergedCalendarTest, ACalendarThatFailsIsNamedOnceAndTheOthersAreShown) {
    work.failToOpen = true;
    home.appointments = {At(kToday, 8, "School run")};
    home.readProblems = {"The calendar file \"x.ics\" could not be read (line 2: bad)."};
    FakeAppointment unreadable = At(kToday, 9, "Broken");
    unreadable.unreadable = true;
    shared.appointments = {At(kToday, 10, "Shared"), unreadable};
    auto scan = ScanOf({{"work.ics", &work}, {"home", &home}, {"shared", &shared}});
    scan->doIt(1);
    EXPECT_EQ(Subjects(*scan, 0), (Names{"School run"}));
    EXPECT_EQ(scan->ReadProblems(),
              (std::vector<std::string>{
                  // in the order of the calendars
                  "The calendar \"work.ics\" could not be read (calendar.ics line 3: broken); its "
                  "appointments are left out.",
                  "The calendar file \"x.ics\" could not be read (line 2: bad).",
                  "The calendar \"shared\" could not be read (appointment cannot be read); its "
                  "appointments are left out."}));
    ASSERT_EQ(tray.calls.size(), 3u);  // the balloon shows what could be read
    EXPECT_EQ(tray.calls[2].what, "show");

    // Once it can be read again, it is back and no longer named.
    work.failToOpen = false;
    work.appointments = {At(kToday, 7, "Early")};
    shared.appointments.pop_back();
    scan->doIt(1);
    EXPECT_EQ(Subjects(*scan, 0), (Names{"Early", "School run", "Shared"}));
    EXPECT_EQ(scan->ReadProblems().size(), 1u);
}

TEST_F(MergedCalendarTest, WhenEveryCalendarFailsTheScanFailsWithWhatEachSaid) {
    work.failToOpen = true;
    home.failToOpen = true;
    auto scan = ScanOf({{"work", &work}, {"home", &home}});
    try {
        scan->doIt(0);
        FAIL() << "the scan did not fail";
    } catch (const CalendarError& error) {
        EXPECT_STREQ(error.what(),
                     "No calendar could be read: work: calendar.ics line 3: broken; home: "
                     "calendar.ics line 3: broken");
    }
}

TEST_F(MergedCalendarTest, ACalendarNotReadyYetIsLeftOutSilently) {
    work.notReady = true;
    home.appointments = {At(kToday, 8, "School run")};
    auto scan = ScanOf({{"work", &work}, {"home", &home}});
    scan->doIt(0);
    EXPECT_EQ(Subjects(*scan, 0), (Names{"School run"}));
    EXPECT_TRUE(scan->ReadProblems().empty());

    home.notReady = true;
    EXPECT_THROW(scan->doIt(0), CalendarNotReady);
    home.failToOpen = true;
    home.notReady = false;
    try {
        scan->doIt(0);
        FAIL() << "the scan did not fail";
    } catch (const CalendarNotReady&) {
        FAIL() << "a calendar that failed is not one that is not ready";
    } catch (const CalendarError&) {
    }
}

TEST_F(MergedCalendarTest, OneCalendarIsReadAsItselfItsFailuresStayTheScans) {
    work.failToOpen = true;
    auto scan = ScanOf({{"work", &work}});
    EXPECT_THROW(scan->doIt(0), CalendarError);
}

TEST_F(MergedCalendarTest, ASeriesWhoseOccurrencesCannotBeReadCountsByItsOwnStart) {
    FakeAppointment series = At(kToday, 7, "Series", "s");
    series.occurrences = std::vector<FakeAppointment>{};
    series.occurrencesFail = true;
    work.appointments = {series};
    home.appointments = {At(kToday, 9, "Other")};
    auto scan = ScanOf({{"work", &work}, {"home", &home}});
    scan->doIt(0);
    EXPECT_EQ(Subjects(*scan, 0), (Names{"Series", "Other"}));
}

TEST(OccurrenceIdentityTest, WritesTheRecurrenceIdInUtcOrAsWallClockTime) {
    EXPECT_EQ(OccurrenceIdentity("u", {{2026, 1, 2}, 3, 4, 5}, true), "u/20260102T030405Z");
    EXPECT_EQ(OccurrenceIdentity("u", {{2026, 1, 2}, 0, 0, 0}, false), "u/20260102T000000");
    EXPECT_EQ(OccurrenceIdentity("", {{2026, 1, 2}, 0, 0, 0}, true), "");
}

}  // namespace
}  // namespace agendix::scan
