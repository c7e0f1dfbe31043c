#pragma once

// The tray icon control on Windows: a message-only window of its own that receives the icon's
// callbacks (as mouse-move messages whose x is the mouse message on the icon), the control's
// 15 ms timer, and the icon and texts that Show hands to the shell. Built for Windows only.

#include <functional>
#include <memory>
#include <string>

#include "controls/tray/core/TrayIcon.h"
#include "controls/tray/win32/ShellNotificationArea.h"
#include "controls/tray/win32/Win32Types.h"

namespace agendix::controls {

class Win32Tray final : private TrayControlHost, private ShellWindow {
  public:
    // Receives the control's events; a failure that escapes it is given to `failed`.
    using EventHandler = std::function<void(TrayEvent)>;

    // `icon` is the picture the notification area shows (not owned; null for none); `shell`
    // takes the record (the system's Shell_NotifyIconA, or a stand-in).
    Win32Tray(HINSTANCE instance, HICON icon, ShellNotifyIconFunction shell, EventHandler events);
    ~Win32Tray() override;
    Win32Tray(const Win32Tray&) = delete;
    Win32Tray& operator=(const Win32Tray&) = delete;

    void Show(bool UpDateData);
    bool IsVisible() const { return logic_.IsVisible(); }
    // A new task bar (after the shell restarted) knows no icons: adds the one shown again, as
    // last sent. The host calls it on the shell's "TaskbarCreated" message, which reaches
    // top-level windows only. An icon the shell refused is also added again each second until
    // the shell takes it.
    void RestoreIcon();

    // UTF-8; each is read up to its first NUL by Show.
    void SetTrayToolTip(std::string text) { tipText_ = std::move(text); }
    void SetTrayToolTipTitle(std::string text) { titleText_ = std::move(text); }

    HWND Window() const { return window_; }

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void AddAgainUntilTaken();

    // TrayControlHost
    std::shared_ptr<const TrayPicture> Picture() override;
    void SetTimer1Interval(int milliseconds) override;
    void RaiseEvent(TrayEvent event) override;
    // ShellWindow
    std::uint32_t WindowHandle() override;
    std::uint32_t IconHandle(const TrayPicture* picture) override;

    HWND window_ = nullptr;
    HICON icon_;
    EventHandler events_;
    ShellNotificationArea area_;
    TrayIcon logic_;
    std::string tipText_;
    std::string titleText_;
};

}  // namespace agendix::controls
