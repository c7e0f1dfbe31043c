#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "app/core/OptionsWindowHandlers.h"
#include "app/tests/AppFakes.h"
#include "scan/tests/FakeCalendar.h"

namespace agendix::app {
namespace {

using testing::FakeAutostart;
using testing::MemoryStore;

using scan::CalendarDate;
using scan::testing::FakeAppointment;

// The window as the handlers see it, raising resize, click and unload handlers the way the
// toolkit does: synchronously, and only on a real change.
class FakeWindow : public OptionsWindow {
  public:
    OptionsWindowHandlers* handlers = nullptr;
    bool visible = false;
    WindowState state = WindowState::Normal;
    bool timer = false;
    std::map<OptionBox, int> boxes{{OptionBox::WStartup, 0},
                                   {OptionBox::MouseOver, 0},
                                   {OptionBox::Tomorrow, 0},
                                   {OptionBox::Startup, 0}};
    std::string intervalText = "2";
    int spinner = 2;
    int menus = 0;
    bool menuFailsWithoutAMessage = false;
    int topMost = 0;
    std::vector<bool> visibleDuringAbout;
    std::vector<std::string> failures;
    int failureBoxClosed = 0;
    std::vector<std::string> log;  // timer and message-pump events, in order

    void SetTopMost() override { ++topMost; }
    void SetVisible(bool v) override { visible = v; }
    WindowState GetWindowState() const override { return state; }
    void SetWindowState(WindowState s) override {
        if (s != state) {
            state = s;
            handlers->Form_Resize();
        }
    }
    void SetTimerEnabled(bool enabled) override {
        timer = enabled;
        log.push_back(enabled ? "timer on" : "timer off");
    }
    int BoxValue(OptionBox box) const override { return boxes.at(box); }
    void SetBoxValue(OptionBox box, int value) override {
        if (boxes[box] == value) {
            return;
        }
        boxes[box] = value;
        Click(box);
    }
    void Click(OptionBox box) {
        switch (box) {
            case OptionBox::WStartup:
                return handlers->chkWStartup_Click();
            case OptionBox::MouseOver:
                return handlers->chkMouseOver_Click();
            case OptionBox::Tomorrow:
                return handlers->chkTomorrow_Click();
            case OptionBox::Startup:
                return handlers->chkStartup_Click();
        }
    }
    void SetIntervalText(const std::string& text) override { intervalText = text; }
    int SpinnerValue() const override { return spinner; }
    void PopUpTrayMenu() override {
        ++menus;
        if (menuFailsWithoutAMessage) {
            throw 42;  // a failure of no standard kind, as a library might raise
        }
    }
    void ShowAboutBox() override { visibleDuringAbout.push_back(visible); }
    void Unload() override { handlers->Form_Unload(); }
    void ProcessPendingMessages() override { log.push_back("messages"); }
    void ShowFailure(const std::string& message) override { failures.push_back(message); }
    void CloseFailure() override { ++failureBoxClosed; }
};

// Records Show calls of the tray beside the balloon the scan drives.
class FakeTray : public scan::testing::RecordingTray {
  public:
    explicit FakeTray(std::vector<std::string>& log) : log_(log) {}
    void Show(bool UpDateData) override {
        RecordingTray::Show(UpDateData);
        log_.push_back(UpDateData ? "show" : "hide");
    }

  private:
    std::vector<std::string>& log_;
};

class OptionsWindowHandlersTest : public ::testing::Test {
  protected:
    scan::testing::FakeCalendar calendar;
    scan::testing::FixedClock clock;
    FakeWindow window;
    FakeTray tray{window.log};
    scan::testing::CountingPump pump;
    scan::AppointmentScan scan{calendar, clock, tray, pump};
    MemoryStore store;
    FakeAutostart autostart;
    OptionsWindowHandlers handlers{
        {window, scan, tray, store, autostart, clock, "/opt/agendix/bin/agendix"}};

    void SetUp() override { window.handlers = &handlers; }

    std::string Stored(const char* key) { return store.Stored(key); }
    int Shows() const {
        return static_cast<int>(std::count(window.log.begin(), window.log.end(), "show"));
    }
};

TEST_F(OptionsWindowHandlersTest, FirstStartSavesDefaultsRegistersAndStartsInTheTray) {
    handlers.Form_Load();

    EXPECT_EQ(Stored("WStartup"), "yes");
    EXPECT_EQ(Stored("MouseOver"), "yes");
    EXPECT_EQ(Stored("Startup"), "yes");
    EXPECT_EQ(Stored("Tomorrow"), "<absent>");
    EXPECT_EQ(Stored("timer"), "<absent>");
    EXPECT_EQ(autostart.calls,
              std::vector<std::string>{"write Agendix = /opt/agendix/bin/agendix"});
    EXPECT_EQ(window.state, WindowState::Minimized);
    EXPECT_FALSE(window.visible);
    EXPECT_TRUE(window.timer);
    EXPECT_EQ(window.topMost, 1);
    EXPECT_EQ(window.intervalText, "2");
    EXPECT_EQ(handlers.CheckInterval(), 2);
    EXPECT_EQ(calendar.applicationsCreated, 1);
    EXPECT_EQ(Shows(), 1);
    EXPECT_TRUE(window.failures.empty());
}

TEST_F(OptionsWindowHandlersTest, StoredOptionsAreReadBack) {
    store.SaveValue("agendix", "settings", "Startup", "no");
    store.SaveValue("Agendix", "Settings", "Mouseover", "no");
    store.SaveValue("Agendix", "Settings", "WStartup", "Yes");
    store.SaveValue("Agendix", "Settings", "timer", "45");
    handlers.Form_Load();

    EXPECT_EQ(window.state, WindowState::Normal);
    EXPECT_FALSE(window.timer);
    EXPECT_EQ(window.boxes[OptionBox::MouseOver], 0);
    EXPECT_EQ(window.boxes[OptionBox::WStartup], 0);
    EXPECT_TRUE(autostart.calls.empty());
    EXPECT_EQ(window.intervalText, "45");
    EXPECT_EQ(handlers.CheckInterval(), 45);
}

TEST_F(OptionsWindowHandlersTest, TomorrowTickedAtLoadScansExactlyOnce) {
    store.SaveValue("Agendix", "Settings", "Tomorrow", "yes");
    calendar.appointments = {
        FakeAppointment{{{2026, 12, 8}, 9, 0, 0}, {{2026, 12, 8}, 10, 0, 0}, "Dentist", "", {}}};
    handlers.Form_Load();
    EXPECT_EQ(calendar.applicationsCreated, 1);
    EXPECT_EQ(scan.CurrentDayLines()[1], " [09:00 - 10:00] Dentist ()\r\n");
}

TEST_F(OptionsWindowHandlersTest, SettingsShowsTheWindowAndStopsScansUntilHidden) {
    handlers.Form_Load();
    handlers.mnuSettings_Click();
    EXPECT_TRUE(window.visible);
    EXPECT_EQ(window.state, WindowState::Normal);
    EXPECT_FALSE(window.timer);

    handlers.cmdTray_Click();
    EXPECT_FALSE(window.visible);
    EXPECT_EQ(window.state, WindowState::Minimized);
    EXPECT_TRUE(window.timer);
}

TEST_F(OptionsWindowHandlersTest, TimerScansEveryIntervalAndAtOnceAfterLoweringIt) {
    handlers.Form_Load();
    const int afterLoad = calendar.applicationsCreated;
    handlers.Timer1_Timer();
    EXPECT_EQ(calendar.applicationsCreated, afterLoad);
    handlers.Timer1_Timer();
    EXPECT_EQ(calendar.applicationsCreated, afterLoad + 1);
    EXPECT_EQ(handlers.MinuteCount(), 0);

    window.spinner = 5;
    handlers.UpDown1_Change();
    for (int tick = 0; tick < 4; ++tick) {
        handlers.Timer1_Timer();
    }
    EXPECT_EQ(calendar.applicationsCreated, afterLoad + 1);
    window.spinner = 3;  // below the count already reached
    handlers.UpDown1_Change();
    handlers.Timer1_Timer();
    EXPECT_EQ(calendar.applicationsCreated, afterLoad + 2);
}

TEST_F(OptionsWindowHandlersTest, ANewDayScansAtTheNextTick) {
    handlers.Form_Load();
    clock.now = {{2026, 12, 8}, 0, 0, 30};
    handlers.Timer1_Timer();
    EXPECT_EQ(calendar.applicationsCreated, 2);
}

TEST_F(OptionsWindowHandlersTest, AChangeScansAtOnceAndPopsUpOnlyWhenTheDayChanged) {
    handlers.Form_Load();
    tray.calls.clear();
    handlers.Calendar_Changed();
    EXPECT_EQ(calendar.applicationsCreated, 2);
    EXPECT_TRUE(tray.calls.empty());

    calendar.appointments = {
        FakeAppointment{{{2026, 12, 7}, 9, 0, 0}, {{2026, 12, 7}, 10, 0, 0}, "Review", "", {}}};
    handlers.Calendar_Changed();
    EXPECT_EQ(Shows(), 2);
}

TEST_F(OptionsWindowHandlersTest, SpinnerChangeSavesTheIntervalWithoutScanning) {
    handlers.Form_Load();
    window.spinner = 3;
    handlers.UpDown1_Change();
    EXPECT_EQ(Stored("timer"), "3");
    EXPECT_EQ(handlers.CheckInterval(), 3);
    EXPECT_EQ(calendar.applicationsCreated, 1);
}

TEST_F(OptionsWindowHandlersTest, OptionBoxesSaveAtOnceAndAct) {
    handlers.Form_Load();
    window.SetBoxValue(OptionBox::Tomorrow, 1);
    EXPECT_EQ(Stored("Tomorrow"), "yes");
    EXPECT_EQ(calendar.applicationsCreated, 2);

    window.SetBoxValue(OptionBox::WStartup, 0);
    EXPECT_EQ(Stored("WStartup"), "no");
    EXPECT_EQ(autostart.calls.back(), "delete Agendix");

    window.SetBoxValue(OptionBox::MouseOver, 0);
    EXPECT_EQ(Stored("MouseOver"), "no");
    const int shows = Shows();
    handlers.Tray1_MouseOver();
    EXPECT_EQ(Shows(), shows);
    window.SetBoxValue(OptionBox::MouseOver, 1);
    handlers.Tray1_MouseOver();
    EXPECT_EQ(Shows(), shows + 1);
}

TEST_F(OptionsWindowHandlersTest, TrayClicksScanAndShowOrPopTheMenu) {
    handlers.Form_Load();
    handlers.Tray1_LeftClick();
    EXPECT_EQ(calendar.applicationsCreated, 2);
    EXPECT_EQ(Shows(), 2);  // unchanged lines: the stored balloon is shown again
    handlers.Tray1_RightClick();
    EXPECT_EQ(window.menus, 1);
}

TEST_F(OptionsWindowHandlersTest, AboutHidesTheWindowWhileOpen) {
    handlers.Form_Load();
    handlers.mnuSettings_Click();
    handlers.cmdAbout_Click();
    EXPECT_EQ(window.visibleDuringAbout, std::vector<bool>{false});
    EXPECT_TRUE(window.visible);
}

TEST_F(OptionsWindowHandlersTest, ExitStopsTheTimerThenRemovesTheIcon) {
    handlers.Form_Load();
    window.log.clear();
    handlers.cmdExit_Click();
    EXPECT_EQ(window.log, (std::vector<std::string>{"messages", "timer off", "messages", "hide"}));
}

TEST_F(OptionsWindowHandlersTest, FailuresAreShownAndTheProgramGoesOn) {
    autostart.failWriting = true;
    calendar.failToOpen = true;
    handlers.Form_Load();
    ASSERT_EQ(window.failures.size(), 2u);
    EXPECT_EQ(window.failures[0], "cannot write the autostart entry");
    EXPECT_EQ(window.failures[1], "calendar.ics line 3: broken");
    EXPECT_EQ(Stored("WStartup"), "yes");
    EXPECT_TRUE(window.timer);  // the load went on after the autostart failure

    handlers.Tray1_LeftClick();
    EXPECT_EQ(window.failures.size(), 2u);  // the same failure is not shown twice
    EXPECT_EQ(Shows(), 2);                  // the failure's balloon, then the click's own

    calendar.failToOpen = false;
    handlers.Tray1_LeftClick();
    EXPECT_EQ(Shows(), 4);  // the balloon of the scan, then the click's own

    window.menuFailsWithoutAMessage = true;
    EXPECT_NO_THROW(handlers.Tray1_RightClick());
    ASSERT_EQ(window.failures.size(), 3u);
    EXPECT_EQ(window.failures[2], "The action failed for a reason that was not reported.");
}

// Whatever the calendar does, the load leaves the icon in the tray: it and its menu are how the
// user reaches the program. The reason is in the balloon and in the failure box, once.
TEST_F(OptionsWindowHandlersTest, AFailedFirstScanStillPutsTheIconInTheTray) {
    calendar.failToOpen = true;
    handlers.Form_Load();
    const std::vector<scan::testing::BalloonCall> failureBalloon{
        {"title", "Calendar unavailable"},
        {"text", std::string("calendar.ics line 3: broken") + '\0'},
        {"show", "1"}};
    EXPECT_EQ(tray.calls, failureBalloon);
    EXPECT_EQ(window.failures, std::vector<std::string>{"calendar.ics line 3: broken"});
    EXPECT_TRUE(window.timer);

    tray.calls.clear();
    for (int tick = 0; tick < 6; ++tick) {
        handlers.Timer1_Timer();
    }
    EXPECT_TRUE(tray.calls.empty());  // a failure that repeats stays quiet
    EXPECT_EQ(window.failures.size(), 1u);
    EXPECT_EQ(window.failureBoxClosed, 0);

    calendar.failToOpen = false;
    calendar.appointments = {
        FakeAppointment{{{2026, 12, 7}, 9, 0, 0}, {{2026, 12, 7}, 10, 0, 0}, "Review", "", {}}};
    handlers.Timer1_Timer();
    handlers.Timer1_Timer();
    EXPECT_EQ(window.failureBoxClosed, 1);
    ASSERT_EQ(tray.calls.size(), 3u);
    EXPECT_EQ(tray.calls[0], (scan::testing::BalloonCall{"title", "Today:"}));

    calendar.failToOpen = true;  // the same failure after a recovery is news again
    handlers.Tray1_LeftClick();
    EXPECT_EQ(window.failures.size(), 2u);
    EXPECT_EQ(tray.calls[3], (scan::testing::BalloonCall{"title", "Calendar unavailable"}));

    calendar.failToOpen = false;  // the same appointments as before the failure come back
    tray.calls.clear();
    handlers.Tray1_LeftClick();
    ASSERT_FALSE(tray.calls.empty());
    EXPECT_EQ(tray.calls[0], (scan::testing::BalloonCall{"title", "Today:"}));
}

TEST_F(OptionsWindowHandlersTest, ALoadThatFailsHalfWayStillScansThenAndLater) {
    store.failReading = true;
    handlers.Form_Load();
    EXPECT_EQ(window.failures, std::vector<std::string>{"the settings file cannot be read"});
    EXPECT_FALSE(scan.IsLoading());
    EXPECT_EQ(calendar.applicationsCreated, 1);
    EXPECT_EQ(Shows(), 1);
    handlers.Tray1_LeftClick();
    EXPECT_EQ(calendar.applicationsCreated, 2);
}

// A save that finds the file damaged starts a new one: the user hears of it at once and the new
// file holds every option, not only the one just changed.
TEST_F(OptionsWindowHandlersTest, OptionsDamagedWhileRunningAreWrittenAgainInFull) {
    store.Store("timer", "7");
    store.Store("Tomorrow", "yes");
    store.Store("MouseOver", "no");
    handlers.Form_Load();

    store.damagedBeforeNextSave = true;
    window.SetBoxValue(OptionBox::Startup, 0);
    EXPECT_EQ(window.failures,
              std::vector<std::string>{"the settings file was damaged and set aside"});
    EXPECT_EQ(Stored("timer"), "7");
    EXPECT_EQ(Stored("Tomorrow"), "yes");
    EXPECT_EQ(Stored("MouseOver"), "no");
    EXPECT_EQ(Stored("WStartup"), "yes");
    EXPECT_EQ(Stored("Startup"), "no");
}

TEST_F(OptionsWindowHandlersTest, AWarningOfTheStoreAtStartIsShownByTheLoad) {
    store.warning = "the settings file was damaged and set aside";
    handlers.Form_Load();
    EXPECT_EQ(window.failures,
              std::vector<std::string>{"the settings file was damaged and set aside"});
    EXPECT_FALSE(store.warning);
}

}  // namespace
}  // namespace agendix::app
