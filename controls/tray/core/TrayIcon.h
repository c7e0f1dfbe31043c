#pragma once

#include <cstdint>
#include <string_view>

#include "controls/tray/core/NotifyIconData.h"

namespace agendix::controls {

// The notification area's entry point. The result is reported but the tray never examines it.
class ShellNotifyIcon {
  public:
    virtual ~ShellNotifyIcon() = default;
    virtual bool Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconData& data) = 0;
};

// The events of the tray control, in the order of their declaration.
enum class TrayEvent { LeftClick, RightClick, MouseOver };

// What the control's host window gives the tray logic.
class TrayControlHost {
  public:
    virtual ~TrayControlHost() = default;
    // The handle of the control's own window, which receives the icon's callback messages.
    virtual std::uint32_t WindowHandle() = 0;
    // The icon handle of the control's current picture; 0 when it has none.
    virtual std::uint32_t IconHandle() = 0;
    // 0 stops Timer1; a positive value starts it with that period.
    virtual void SetTimer1Interval(int milliseconds) = 0;
    virtual void RaiseEvent(TrayEvent event) = 0;
};

// The side of the control's square window in pixels, whatever size its host asks for.
inline constexpr int kTraySidePixels = 36;
// How long icon notifications are dropped after an event's handler has returned.
inline constexpr int kEventLockMilliseconds = 15;
inline constexpr std::uint32_t kTrayIconId = 1;

// The logic of the tray control: the icon record, the shell calls of Show, and the decoding of
// the icon's callback messages into events under the event lock.
class TrayIcon {
  public:
    TrayIcon(TrayControlHost& host, ShellNotifyIcon& shell);

    // true adds the icon or refreshes it, with the balloon; false removes an icon that is shown.
    // The texts are in the system code page (UTF-8).
    void Show(bool UpDateData, std::string_view tipText, std::string_view titleText);
    bool IsVisible() const { return isVisible_; }

    // A mouse-move notification of the control's window at horizontal position x (pixels).
    void OnIconMessage(double x);
    void OnTimer1();

    bool EventLock() const { return eventLock_; }
    const NotifyIconData& IconData() const { return iconData_; }

  private:
    void FillIconData(std::string_view tipText, std::string_view titleText);
    void RaiseLocked(TrayEvent event);

    TrayControlHost& host_;
    ShellNotifyIcon& shell_;
    NotifyIconData iconData_;
    bool isVisible_ = false;
    bool eventLock_ = false;
};

}  // namespace agendix::controls
