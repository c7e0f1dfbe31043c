#include "app/core/OptionsWindowHandlers.h"

#include <exception>
#include <optional>
#include <string>

#include "common/core/CatchAtTop.h"
#include "settings/autostart/core/Autostart.h"
#include "settings/store/core/SettingsFormat.h"
#include "settings/store/core/SettingsStore.h"

namespace agendix::app {

namespace {

// What the user is told of a failure that carries no message of its own.
constexpr char kUnknownFailure[] = "The action failed for a reason that was not reported.";

}  // namespace

OptionsWindowHandlers::OptionsWindowHandlers(Services services) : services_(std::move(services)) {}

void OptionsWindowHandlers::Guarded(const std::function<void()>& handler) {
    common::CatchAtTop(handler, [this](const std::optional<std::string>& message) {
        ShowFailure(message.value_or(kUnknownFailure));
    });
}

// Reads the options and sets the window from them, then scans. The scan runs even when reading
// the options failed half-way: its result or its failure puts the icon in the tray, and the
// icon with its menu is how the user reaches the program.
void OptionsWindowHandlers::Form_Load() {
    if (const auto warning = services_.store.TakeWarning()) {
        ShowFailure(*warning);
    }
    Guarded([this] { LoadOptions(); });
    Scan();
}

void OptionsWindowHandlers::LoadOptions() {
    auto& window = services_.window;
    auto& store = services_.store;
    window.SetTopMost();
    services_.scan.SetIsLoading(true);
    // Cleared however the load ends: a load that failed half-way must not stop every later scan.
    struct LoadingEnds {
        scan::AppointmentScan& scan;
        ~LoadingEnds() { scan.SetIsLoading(false); }
    } loadingEnds{services_.scan};
    settingsApp_ = settings::kSettingsApp;
    settingsSection_ = settings::kSettingsSection;

    checkInterval_ = settings::ReadCheckInterval(
        store.GetValue(settingsApp_, settingsSection_, settings::kKeyTimer));
    window.SetIntervalText(settings::WriteCheckInterval(checkInterval_));
    minuteCount_ = 0;

    auto readBox = [&](OptionBox box, const char* key, const char* defaultValue) {
        const bool set =
            settings::IsFlagSet(store.GetValue(settingsApp_, settingsSection_, key, defaultValue));
        window.SetBoxValue(box, set ? 1 : 0);
        return set;
    };
    readBox(OptionBox::WStartup, settings::kKeyAutoStart, settings::kDefaultAutoStart);
    readBox(OptionBox::MouseOver, settings::kKeyMouseOverRead, settings::kDefaultMouseOver);
    readBox(OptionBox::Tomorrow, settings::kKeyTomorrow, settings::kDefaultTomorrow);
    if (readBox(OptionBox::Startup, settings::kKeyHideAtStartup, settings::kDefaultHideAtStartup)) {
        window.SetWindowState(WindowState::Minimized);
    }
}

void OptionsWindowHandlers::Form_Resize() {
    Guarded([this] {
        const bool minimized = services_.window.GetWindowState() == WindowState::Minimized;
        services_.window.SetVisible(!minimized);
        if (minimized) {
            Hide();
        }
    });
}

void OptionsWindowHandlers::Form_Unload() {
    Guarded([this] {
        services_.window.ProcessPendingMessages();
        services_.window.SetTimerEnabled(false);
        services_.window.ProcessPendingMessages();
        services_.tray.Show(false);
    });
}

void OptionsWindowHandlers::cmdTray_Click() {
    Guarded([this] { Hide(); });
}

void OptionsWindowHandlers::Hide() {
    services_.window.SetVisible(false);
    services_.window.SetWindowState(WindowState::Minimized);
    services_.window.SetTimerEnabled(true);
}

void OptionsWindowHandlers::cmdExit_Click() {
    Guarded([this] { services_.window.Unload(); });
}

void OptionsWindowHandlers::cmdAbout_Click() {
    Guarded([this] {
        services_.window.SetVisible(false);
        services_.window.ShowAboutBox();
        services_.window.SetVisible(true);
    });
}

void OptionsWindowHandlers::mnuDoSync_Click() {
    Guarded([this] {
        Scan();
        services_.tray.Show(true);
    });
}

void OptionsWindowHandlers::mnuSettings_Click() {
    Guarded([this] {
        services_.window.SetWindowState(WindowState::Normal);
        services_.window.SetVisible(true);
        services_.window.SetTimerEnabled(false);
    });
}

void OptionsWindowHandlers::mnuExit_Click() {
    Guarded([this] { services_.window.Unload(); });
}

void OptionsWindowHandlers::Tray1_LeftClick() {
    mnuDoSync_Click();
}

void OptionsWindowHandlers::Tray1_RightClick() {
    Guarded([this] { services_.window.PopUpTrayMenu(); });
}

void OptionsWindowHandlers::Tray1_MouseOver() {
    Guarded([this] {
        if (services_.window.BoxValue(OptionBox::MouseOver) == 1) {
            services_.tray.Show(true);
        }
    });
}

// Counts minutes and scans every CheckInterval of them. A count that already reached a newly
// lowered interval scans at the next tick instead of never again, and a new day (midnight, or
// a resume from suspend) scans at once so that "today" follows the date.
void OptionsWindowHandlers::Timer1_Timer() {
    Guarded([this] {
        ++minuteCount_;
        const bool newDay = services_.clock.Now().date != lastScanDate_;
        if (minuteCount_ >= checkInterval_ || newDay) {
            minuteCount_ = 0;
            Scan();
        }
    });
}

void OptionsWindowHandlers::Calendar_Changed() {
    Guarded([this] { Scan(); });
}

void OptionsWindowHandlers::UpDown1_Change() {
    Guarded([this] {
        checkInterval_ = services_.window.SpinnerValue();
        SaveSetting(settings::kKeyTimer, settings::WriteCheckInterval(checkInterval_));
    });
}

void OptionsWindowHandlers::SaveOption(OptionBox box, const char* key) {
    SaveSetting(key, settings::FlagText(services_.window.BoxValue(box) == 1));
}

// A save that found the file damaged has set it aside and started a new one: the user is told
// at once, and the new file gets every option the window holds, not only the one just saved.
// During the load the window does not hold them all yet; the options then come from the
// defaults anyway.
void OptionsWindowHandlers::SaveSetting(const char* key, const std::string& value) {
    services_.store.SaveValue(settingsApp_, settingsSection_, key, value);
    if (const auto warning = services_.store.TakeWarning()) {
        ShowFailure(*warning);
        if (!services_.scan.IsLoading()) {
            SaveAllOptions();
        }
    }
}

void OptionsWindowHandlers::SaveAllOptions() {
    const auto save = [this](const char* key, const std::string& value) {
        services_.store.SaveValue(settingsApp_, settingsSection_, key, value);
    };
    const auto flag = [this](OptionBox box) {
        return settings::FlagText(services_.window.BoxValue(box) == 1);
    };
    save(settings::kKeyTimer, settings::WriteCheckInterval(checkInterval_));
    save(settings::kKeyAutoStart, flag(OptionBox::WStartup));
    save(settings::kKeyMouseOverWritten, flag(OptionBox::MouseOver));
    save(settings::kKeyTomorrow, flag(OptionBox::Tomorrow));
    save(settings::kKeyHideAtStartup, flag(OptionBox::Startup));
}

void OptionsWindowHandlers::chkWStartup_Click() {
    Guarded([this] {
        SaveOption(OptionBox::WStartup, settings::kKeyAutoStart);
        if (services_.window.BoxValue(OptionBox::WStartup) == 1) {
            settings::RegisterAutostart(services_.autostart, services_.programPath,
                                        settings::kAutostartEntryName);
        } else {
            settings::UnregisterAutostart(services_.autostart, settings::kAutostartEntryName);
        }
    });
}

void OptionsWindowHandlers::chkMouseOver_Click() {
    Guarded([this] { SaveOption(OptionBox::MouseOver, settings::kKeyMouseOverWritten); });
}

void OptionsWindowHandlers::chkTomorrow_Click() {
    Guarded([this] {
        SaveOption(OptionBox::Tomorrow, settings::kKeyTomorrow);
        Scan();
    });
}

void OptionsWindowHandlers::chkStartup_Click() {
    Guarded([this] { SaveOption(OptionBox::Startup, settings::kKeyHideAtStartup); });
}

void OptionsWindowHandlers::doIt() {
    if (services_.scan.IsLoading()) {
        return;
    }
    lastScanDate_ = services_.clock.Now().date;
    services_.scan.doIt(services_.window.BoxValue(OptionBox::Tomorrow));
}

void OptionsWindowHandlers::Scan() {
    if (services_.scan.IsLoading()) {
        return;
    }
    try {
        doIt();
    } catch (const std::exception& failure) {
        ShowScanFailure(failure.what());
        return;
    }
    balloonFailure_.clear();
    const auto& problems = services_.scan.ReadProblems();
    if (problems.empty()) {
        CloseScanFailure();
        return;
    }
    std::string message;
    for (const std::string& problem : problems) {
        message += (message.empty() ? "" : "\n") + problem;
    }
    ShowScanProblem(message);
}

// The reason takes the appointments' place in the balloon, so that the icon is there and a click
// shows why nothing is listed; the scan that succeeds next puts the appointments back.
void OptionsWindowHandlers::ShowScanFailure(const std::string& reason) {
    if (reason != balloonFailure_) {
        balloonFailure_ = reason;
        services_.tray.SetTrayToolTipTitle(scan::kTitleCalendarUnavailable);
        services_.tray.SetTrayToolTip(reason + '\0');
        services_.tray.Show(true);
    }
    ShowScanProblem(reason);
}

void OptionsWindowHandlers::ShowScanProblem(const std::string& message) {
    if (message != scanFailureShown_) {
        services_.window.ShowFailure(message);
        scanFailureShown_ = message;
    }
}

void OptionsWindowHandlers::ShowFailure(const std::string& message) {
    services_.window.ShowFailure(message);
    scanFailureShown_.clear();
}

void OptionsWindowHandlers::CloseScanFailure() {
    if (!scanFailureShown_.empty()) {
        services_.window.CloseFailure();
        scanFailureShown_.clear();
    }
}

}  // namespace agendix::app
