#pragma once

// The options window on Windows: the interval with its spin control, the four options, About /
// Exit / Hide, the tray icon with its pop-up menu, the minute timer and the failure box. Its
// behaviour lives in OptionsWindowHandlers; this class lays the controls out from the layout
// table and turns window messages into handler calls. Built for Windows only.

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/core/OptionsWindowHandlers.h"
#include "app/win32/FailureBox.h"
#include "app/win32/MainWindowLayout.h"
#include "common/core/ApplicationInfo.h"
#include "controls/groupbox/win32/Win32GroupBox.h"
#include "controls/tray/win32/Win32Tray.h"
#include "scan/core/AppointmentScan.h"

namespace agendix::app {

// What the options window needs from outside.
struct Win32OptionsWindowServices {
    HINSTANCE instance;
    // The program's icon, 32 x 32 and 16 x 16 (not owned).
    HICON icon;
    HICON smallIcon;
    const common::ApplicationInfo& app;
    scan::CalendarApplicationFactory& calendar;
    const scan::Clock& clock;
    settings::SettingsStore& store;
    settings::LogInStarter& autostart;
    // Takes the notification-icon record: the shell, or a stand-in.
    controls::ShellNotifyIconFunction shell;
    const controls::ThemeTest& theme;
    // Shows the About box modally, owned by the given window.
    std::function<void(HWND owner)> showAboutBox;
    std::string programPath;
};

class Win32OptionsWindow final : private OptionsWindow,
                                 private scan::BalloonTray,
                                 private scan::MessagePump {
  public:
    explicit Win32OptionsWindow(const Win32OptionsWindowServices& services);
    ~Win32OptionsWindow() override;
    Win32OptionsWindow(const Win32OptionsWindow&) = delete;
    Win32OptionsWindow& operator=(const Win32OptionsWindow&) = delete;

    // Runs the load handler, then shows the window unless it went to the tray.
    void Show();

    HWND Window() const { return window_; }
    // Asks the options window `window` to scan again because the calendar changed. Callable from
    // any thread (the calendar's worker): the scan runs on the window's own thread.
    static void PostCalendarChanged(HWND window);
    OptionsWindowHandlers& Handlers() { return handlers_; }
    // Whether the message is one of the window's keyboard moves (Tab, mnemonics), handled here.
    bool PreTranslate(MSG& message);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateWindowAndControls();
    HWND CreateControl(const ControlPlacement& placement);
    void CreateMenu();
    void OnCommand(int commandId, int notification);
    void OnControlClicked(ControlId id);
    LRESULT OnNotify(const NMHDR& header, LPARAM lParam);
    void OnStateChanged(WindowState now);
    void UnloadOnce();
    HWND Control(ControlId id) const { return controls_.at(id); }

    // OptionsWindow
    void SetTopMost() override;
    void SetVisible(bool visible) override;
    WindowState GetWindowState() const override { return windowState_; }
    void SetWindowState(WindowState state) override;
    void SetTimerEnabled(bool enabled) override;
    int BoxValue(OptionBox box) const override;
    void SetBoxValue(OptionBox box, int value) override;
    void SetIntervalText(const std::string& text) override;
    int SpinnerValue() const override;
    void PopUpTrayMenu() override;
    void ShowAboutBox() override;
    void Unload() override;
    void ProcessPendingMessages() override;
    void ShowFailure(const std::string& message) override;
    void CloseFailure() override;

    // BalloonTray: the scan's title, text and Show go to the tray control.
    void SetTrayToolTipTitle(const std::string& title) override;
    void SetTrayToolTip(const std::string& text) override;
    void Show(bool UpDateData) override;

    Win32OptionsWindowServices services_;
    int dpi_;
    HWND window_ = nullptr;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
    HFONT titleFont_ = nullptr;
    HBRUSH white_ = nullptr;
    HMENU menu_ = nullptr;
    std::map<ControlId, HWND> controls_;
    std::unique_ptr<controls::Win32GroupBox> frmOptions_;
    std::unique_ptr<controls::Win32Tray> tray1_;
    std::unique_ptr<FailureBox> failureBox_;

    scan::AppointmentScan scan_;
    OptionsWindowHandlers handlers_;
    WindowState windowState_ = WindowState::Normal;
    int spinnerValue_ = 2;
    bool unloaded_ = false;
    bool placed_ = false;
    // The message the shell broadcasts when the task bar is made anew.
    UINT taskbarCreated_;
};

}  // namespace agendix::app
