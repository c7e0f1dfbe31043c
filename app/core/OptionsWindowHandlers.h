#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/core/OptionsWindow.h"
#include "scan/core/AppointmentScan.h"

namespace agendix::settings {
class SettingsStore;
class LogInStarter;
}  // namespace agendix::settings

namespace agendix::app {

// The options window's behaviour: its load, resize and unload handlers, its buttons, the tray
// menu and tray events, the minute timer with the periodic scan, the interval spinner and the
// four option boxes. Every handler is a top: a failure inside it is shown to the user and the
// program keeps running.
//
// A scan that fails puts the reason in the icon's balloon and in the failure box, each once
// until the reason changes, so a failure that repeats at every periodic check stays quiet; the
// icon is there from the load handler on, whatever the calendar does. The next scan that
// succeeds brings the appointments back and closes the box.
class OptionsWindowHandlers {
  public:
    struct Services {
        OptionsWindow& window;
        scan::AppointmentScan& scan;
        scan::BalloonTray& tray;
        settings::SettingsStore& store;
        // Where the entry that starts the program at log-in is kept.
        settings::LogInStarter& autostart;
        const scan::Clock& clock;
        std::string programPath;
    };

    explicit OptionsWindowHandlers(Services services);

    void Form_Load();
    void Form_Resize();
    void Form_Unload();

    void cmdTray_Click();
    void cmdExit_Click();
    void cmdAbout_Click();

    void mnuDoSync_Click();
    void mnuSettings_Click();
    void mnuExit_Click();

    void Tray1_LeftClick();
    void Tray1_RightClick();
    void Tray1_MouseOver();

    void Timer1_Timer();
    void UpDown1_Change();
    // Something the day lists depend on may have changed (the calendar, the date, the zone, a
    // resume): scans at once. The balloon pops up only when the day lists changed.
    void Calendar_Changed();

    void chkWStartup_Click();
    void chkMouseOver_Click();
    void chkTomorrow_Click();
    void chkStartup_Click();

    // Runs the appointment scan; a failure reaches the caller.
    void doIt();

    std::int32_t CheckInterval() const { return checkInterval_; }
    std::int32_t MinuteCount() const { return minuteCount_; }

  private:
    // Runs a handler as a top: a failure that escapes it is shown to the user.
    void Guarded(const std::function<void()>& handler);
    void LoadOptions();
    void Hide();
    // Runs the scan and tells the user how it went; a failure of the calendar goes no further.
    void Scan();
    void ShowScanFailure(const std::string& reason);
    // Shows a calendar problem in the failure box unless the box shows it already.
    void ShowScanProblem(const std::string& message);
    void ShowFailure(const std::string& message);
    void CloseScanFailure();
    void SaveOption(OptionBox box, const char* key);
    void SaveSetting(const char* key, const std::string& value);
    void SaveAllOptions();

    Services services_;
    std::string settingsApp_;
    std::string settingsSection_;
    std::int32_t checkInterval_ = 0;
    std::int32_t minuteCount_ = 0;
    scan::CalendarDate lastScanDate_;
    // The calendar problem the failure box shows (empty when it shows none) and the failure the
    // balloon shows.
    std::string scanFailureShown_;
    std::string balloonFailure_;
};

}  // namespace agendix::app
