#include "scan/core/BackgroundCalendar.h"

#include <gtest/gtest.h>

#include <climits>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "scan/core/AppointmentScan.h"
#include "scan/tests/FakeCalendar.h"

namespace agendix::scan {
namespace {

using testing::FakeAppointment;
using testing::FakeCalendar;

constexpr CalendarDate kToday{2026, 12, 7};
constexpr CalendarDate kTomorrow{2026, 12, 8};
// Long enough for a loaded machine (and Wine); the tests never sleep it away.
constexpr auto kTimeout = std::chrono::seconds(30);
constexpr auto kLongWait = std::chrono::hours(1);

FakeAppointment At(CalendarDate date, int hour, std::string subject) {
    return {{date, hour, 0, 0}, {date, hour + 1, 0, 0}, std::move(subject), "", {}};
}

// A count that the test thread waits for while other threads raise it.
class Counter {
  public:
    void Raise() {
        {
            const std::lock_guard lock(mutex_);
            ++count_;
        }
        raised_.notify_all();
    }
    bool WaitFor(int count) {
        std::unique_lock lock(mutex_);
        return raised_.wait_for(lock, kTimeout, [&] { return count_ >= count; });
    }
    int Count() {
        const std::lock_guard lock(mutex_);
        return count_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable raised_;
    int count_ = 0;
};

// Where the slow calendar's reads wait until the test lets them through, one by one or all.
class Gate {
  public:
    void Pass() {
        entered_.Raise();
        std::unique_lock lock(mutex_);
        opened_.wait(lock, [&] { return permits_ > 0; });
        --permits_;
    }
    void Allow(int reads) {
        {
            const std::lock_guard lock(mutex_);
            permits_ += reads;
        }
        opened_.notify_all();
    }
    void Open() { Allow(INT_MAX / 2); }
    // Waits until `reads` reads have reached the gate in all.
    bool WaitEntered(int reads) { return entered_.WaitFor(reads); }

  private:
    Counter entered_;
    std::mutex mutex_;
    std::condition_variable opened_;
    int permits_ = 0;
};

// The fake calendar, read only after passing the gate. The test changes the fake only while no
// read is past the gate. Tells `gone` when it is destroyed (on the worker thread, when that was
// left inside a read).
class SlowCalendar : public CalendarApplicationFactory {
  public:
    SlowCalendar(std::shared_ptr<FakeCalendar> calendar, std::shared_ptr<Gate> gate,
                 std::shared_ptr<Counter> gone)
        : calendar_(std::move(calendar)), gate_(std::move(gate)), gone_(std::move(gone)) {}
    ~SlowCalendar() override { gone_->Raise(); }

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        gate_->Pass();
        return calendar_->CreateApplication();
    }

  private:
    std::shared_ptr<FakeCalendar> calendar_;
    std::shared_ptr<Gate> gate_;
    std::shared_ptr<Counter> gone_;
};

class BackgroundCalendarTest : public ::testing::Test {
  protected:
    ~BackgroundCalendarTest() override {
        DestroyCalendar();
        gate->Open();
        EXPECT_TRUE(gone->WaitFor(1)) << "the slow calendar was not released";
    }

    // The calendar in the background, scanned as the program scans it (today and tomorrow).
    void Start(std::chrono::milliseconds answerWait = kLongWait) {
        calendar_ = MakeBackgroundCalendar(std::make_unique<SlowCalendar>(fake, gate, gone),
                                           {"The calendar program \"Slow\"", answerWait,
                                            [changed = changed] { changed->Raise(); }});
        scan_ = std::make_unique<AppointmentScan>(*calendar_, clock_, tray_, pump_);
    }

    void DestroyCalendar() {
        scan_.reset();
        calendar_.reset();
    }

    // How a scan went: "scanned", "not ready: <message>" or "failed: <message>".
    std::string Scan() {
        try {
            scan_->doIt(1);
        } catch (const CalendarNotReady& error) {
            return std::string("not ready: ") + error.what();
        } catch (const CalendarError& error) {
            return std::string("failed: ") + error.what();
        }
        return "scanned";
    }

    // The usual start: a scan before the first read, the read, and a scan after it.
    void ScanFirstRead() {
        EXPECT_EQ(Scan(), kNotReady);
        gate->Allow(1);
        ASSERT_TRUE(changed->WaitFor(1));
        ASSERT_EQ(Scan(), "scanned");
    }

    std::vector<std::string> Subjects(std::size_t day) const {
        std::vector<std::string> subjects;
        for (const Appointment& appointment : scan_->CurrentAppointments()[day]) {
            subjects.push_back(appointment.subject);
        }
        return subjects;
    }

    const AppointmentScan& LastScan() const { return *scan_; }
    void SetToday(CalendarDate date) { clock_.now.date = date; }

    static constexpr char kNotReady[] =
        "not ready: The calendar is still being read; its appointments follow.";

    std::shared_ptr<FakeCalendar> fake = std::make_shared<FakeCalendar>();
    std::shared_ptr<Gate> gate = std::make_shared<Gate>();
    std::shared_ptr<Counter> changed = std::make_shared<Counter>();
    std::shared_ptr<Counter> gone = std::make_shared<Counter>();

  private:
    testing::FixedClock clock_;
    testing::RecordingTray tray_;
    NoMessagePump pump_;
    std::unique_ptr<CalendarApplicationFactory> calendar_;
    std::unique_ptr<AppointmentScan> scan_;
};

using Names = std::vector<std::string>;

TEST_F(BackgroundCalendarTest, FirstScanIsNotReadyThenTheReadTellsAndTheNextScanShowsIt) {
    fake->appointments = {At(kToday, 9, "Stand-up"), At(kTomorrow, 14, "Review")};
    fake->readProblems = {"work.ics line 4: broken date"};
    Start();

    ScanFirstRead();

    EXPECT_EQ(Subjects(0), Names{"Stand-up"});
    EXPECT_EQ(Subjects(1), Names{"Review"});
    EXPECT_EQ(LastScan().ReadProblems(), Names{"work.ics line 4: broken date"});
}

TEST_F(BackgroundCalendarTest, SeriesOccurrencesTodayAndTomorrowComeFromOneRead) {
    FakeAppointment series = At(AddDays(kToday, -7), 8, "Daily");
    series.occurrences =
        std::vector<FakeAppointment>{At(AddDays(kToday, -1), 8, "Daily"), At(kToday, 8, "Daily"),
                                     At(kTomorrow, 8, "Daily"), At(AddDays(kToday, 2), 8, "Daily")};
    fake->appointments = {std::move(series), At(kToday, 10, "Lunch")};
    Start();

    ScanFirstRead();

    EXPECT_EQ(Subjects(0), (Names{"Daily", "Lunch"}));
    EXPECT_EQ(Subjects(1), Names{"Daily"});
    EXPECT_EQ(LastScan().CurrentAppointments()[1].front().start,
              (LocalDateTime{kTomorrow, 8, 0, 0}));
    EXPECT_EQ(fake->applicationsCreated, 1);
}

// After midnight the last read covers the new today but not the new tomorrow: the scan waits for
// one read of both.
TEST_F(BackgroundCalendarTest, ANewDayIsReadWithTheDayAfterIt) {
    const CalendarDate dayAfter = AddDays(kTomorrow, 1);
    fake->appointments = {At(kTomorrow, 9, "Review"), At(dayAfter, 10, "Trip")};
    Start();
    ScanFirstRead();
    ASSERT_TRUE(gate->WaitEntered(2));  // the read the second scan asked for, of the old days

    SetToday(kTomorrow);
    EXPECT_EQ(Scan(), kNotReady);
    gate->Allow(2);
    ASSERT_TRUE(changed->WaitFor(2));
    ASSERT_EQ(Scan(), "scanned");
    EXPECT_EQ(Subjects(0), Names{"Review"});
    EXPECT_EQ(Subjects(1), Names{"Trip"});
}

TEST_F(BackgroundCalendarTest, TheCalendarsFailurePassesThroughUnchanged) {
    fake->failToOpen = true;
    Start();
    gate->Open();

    EXPECT_EQ(Scan(), kNotReady);
    ASSERT_TRUE(changed->WaitFor(1));
    EXPECT_EQ(Scan(), "failed: calendar.ics line 3: broken");
}

TEST_F(BackgroundCalendarTest, ACalendarThatIsNotReadyItselfStaysNotReady) {
    fake->notReady = true;
    Start();
    gate->Open();

    EXPECT_EQ(Scan(), kNotReady);
    ASSERT_TRUE(changed->WaitFor(1));
    EXPECT_EQ(Scan(), "not ready: still opening the calendar");
}

// Each scan asks for a fresh read; only a read with a new result tells, so a scan started by the
// notice does not start another notice.
TEST_F(BackgroundCalendarTest, OnlyAChangedResultTells) {
    fake->appointments = {At(kToday, 9, "Stand-up")};
    Start();
    ScanFirstRead();
    ASSERT_TRUE(gate->WaitEntered(2));  // the read the second scan asked for

    // A third scan while that read runs queues one more; the unchanged one tells nothing.
    ASSERT_EQ(Scan(), "scanned");
    gate->Allow(1);
    ASSERT_TRUE(gate->WaitEntered(3));
    EXPECT_EQ(changed->Count(), 1);

    // The read after it finds a new appointment and tells.
    fake->appointments.push_back(At(kToday, 11, "Dentist"));
    gate->Allow(1);
    ASSERT_TRUE(changed->WaitFor(2));
    ASSERT_EQ(Scan(), "scanned");
    EXPECT_EQ(Subjects(0), (Names{"Stand-up", "Dentist"}));
}

// The wait running out tells at once, so that the scan it starts says so; the answer tells
// again, even one that brings nothing new.
TEST_F(BackgroundCalendarTest, AReadLongerThanTheWaitTellsItIsNotAnsweringThenTellsTheAnswer) {
    fake->appointments = {At(kToday, 9, "Stand-up")};
    Start(std::chrono::milliseconds(0));
    EXPECT_EQ(Scan(), kNotReady);
    ASSERT_TRUE(gate->WaitEntered(1));

    ASSERT_TRUE(changed->WaitFor(1));
    EXPECT_EQ(Scan(),
              "failed: The calendar program \"Slow\" is not answering; its appointments follow "
              "once it does.");
    EXPECT_EQ(changed->Count(), 1);

    gate->Allow(1);
    ASSERT_TRUE(changed->WaitFor(2));
    // The read the failed scan asked for runs past the wait too, and answers.
    ASSERT_TRUE(gate->WaitEntered(2));
    ASSERT_TRUE(changed->WaitFor(3));
    gate->Allow(1);
    ASSERT_TRUE(changed->WaitFor(4));
    EXPECT_EQ(Scan(), "scanned");
    EXPECT_EQ(Subjects(0), Names{"Stand-up"});
}

TEST_F(BackgroundCalendarTest, WithinTheWaitAScanShowsTheLastResultOrIsNotReady) {
    Start();
    EXPECT_EQ(Scan(), kNotReady);
    ASSERT_TRUE(gate->WaitEntered(1));
    EXPECT_EQ(Scan(), kNotReady);  // the first read hangs

    fake->appointments = {At(kToday, 9, "Stand-up")};
    gate->Allow(1);
    ASSERT_TRUE(changed->WaitFor(1));
    ASSERT_EQ(Scan(), "scanned");
    ASSERT_TRUE(gate->WaitEntered(2));  // the next read hangs

    ASSERT_EQ(Scan(), "scanned");
    EXPECT_EQ(Subjects(0), Names{"Stand-up"});
}

TEST_F(BackgroundCalendarTest, DestroyingTheCalendarDoesNotWaitForAHungRead) {
    Start();
    EXPECT_EQ(Scan(), kNotReady);
    ASSERT_TRUE(gate->WaitEntered(1));

    Counter destroyed;
    std::thread destroyer([&] {
        DestroyCalendar();
        destroyed.Raise();
    });
    const bool prompt = destroyed.WaitFor(1);
    gate->Open();
    destroyer.join();
    EXPECT_TRUE(prompt);

    // The read ends on its own later, and tells nobody.
    ASSERT_TRUE(gone->WaitFor(1));
    EXPECT_EQ(changed->Count(), 0);
}

}  // namespace
}  // namespace agendix::scan
