#include "OptionsWindowHandlers.h"

#include <exception>

#include "Autostart.h"
#include "SettingsFormat.h"
#include "SettingsStore.h"

namespace agendix::app {

OptionsWindowHandlers::OptionsWindowHandlers(Services services) : services_(std::move(services)) {}

void OptionsWindowHandlers::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& failure) {
        services_.window.ShowFailure(failure.what());
    }
}

void OptionsWindowHandlers::Form_Load() {
    Guarded([this] {
        auto& window = services_.window;
        auto& store = services_.store;
        window.SetTopMost();
        services_.scan.SetIsLoading(true);
        settingsApp_ = settings::kSettingsApp;
        settingsSection_ = settings::kSettingsSection;

        checkInterval_ = settings::ReadCheckInterval(
            store.GetValue(settingsApp_, settingsSection_, settings::kKeyTimer));
        window.SetIntervalText(settings::WriteCheckInterval(checkInterval_));
        minuteCount_ = 0;

        auto readBox = [&](OptionBox box, const char* key, const char* defaultValue) {
            const bool set = settings::IsFlagSet(
                store.GetValue(settingsApp_, settingsSection_, key, defaultValue));
            window.SetBoxValue(box, set ? 1 : 0);
            return set;
        };
        readBox(OptionBox::WStartup, settings::kKeyAutoStart, settings::kDefaultAutoStart);
        readBox(OptionBox::MouseOver, settings::kKeyMouseOverRead, settings::kDefaultMouseOver);
        readBox(OptionBox::Tomorrow, settings::kKeyTomorrow, settings::kDefaultTomorrow);
        if (readBox(OptionBox::Startup, settings::kKeyHideAtStartup,
                    settings::kDefaultHideAtStartup)) {
            window.SetWindowState(WindowState::Minimized);
        }

        services_.scan.SetIsLoading(false);
        doIt();
    });
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
        doIt();
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
            doIt();
        }
    });
}

void OptionsWindowHandlers::UpDown1_Change() {
    Guarded([this] {
        checkInterval_ = services_.window.SpinnerValue();
        services_.store.SaveValue(settingsApp_, settingsSection_, settings::kKeyTimer,
                                  settings::WriteCheckInterval(checkInterval_));
    });
}

void OptionsWindowHandlers::SaveOption(OptionBox box, const char* key) {
    const bool checked = services_.window.BoxValue(box) == 1;
    services_.store.SaveValue(settingsApp_, settingsSection_, key, settings::FlagText(checked));
}

void OptionsWindowHandlers::chkWStartup_Click() {
    Guarded([this] {
        SaveOption(OptionBox::WStartup, settings::kKeyAutoStart);
        if (services_.window.BoxValue(OptionBox::WStartup) == 1) {
            settings::RegisterAutostart(services_.shells, services_.programPath,
                                        settings::kAutostartEntryName);
        } else {
            settings::UnregisterAutostart(services_.shells, settings::kAutostartEntryName);
        }
    });
}

void OptionsWindowHandlers::chkMouseOver_Click() {
    Guarded([this] { SaveOption(OptionBox::MouseOver, settings::kKeyMouseOverWritten); });
}

void OptionsWindowHandlers::chkTomorrow_Click() {
    Guarded([this] {
        SaveOption(OptionBox::Tomorrow, settings::kKeyTomorrow);
        doIt();
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

}  // namespace agendix::app
