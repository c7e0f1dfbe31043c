#pragma once

#include <memory>
#include <string_view>

#include "controls/tray/core/NotificationArea.h"

namespace agendix::controls {

// What the control's host window gives the tray logic.
class TrayControlHost {
  public:
    virtual ~TrayControlHost() = default;
    // The control's current picture; null when it has none.
    virtual std::shared_ptr<const TrayPicture> Picture() = 0;
    // 0 stops Timer1; a positive value starts it with that period.
    virtual void SetTimer1Interval(int milliseconds) = 0;
    virtual void RaiseEvent(TrayEvent event) = 0;
};

// The side of the control's square window in pixels, whatever size its host asks for.
inline constexpr int kTraySidePixels = 36;
// How long icon notifications are dropped after an event's handler has returned.
inline constexpr int kEventLockMilliseconds = 15;

// The logic of the tray control: what Show tells the notification area, and the icon's mouse
// activity turned into events under the event lock.
class TrayIcon : private TrayIconEvents {
  public:
    // `area` must outlive the control.
    TrayIcon(TrayControlHost& host, NotificationArea& area);
    // A control that goes takes its icon along: nothing would answer the icon's events.
    ~TrayIcon() override;
    TrayIcon(const TrayIcon&) = delete;
    TrayIcon& operator=(const TrayIcon&) = delete;

    // true adds the icon or refreshes it, with the balloon; false removes an icon that is shown.
    // The texts are UTF-8; each reads up to its first NUL, as the control's texts always have.
    void Show(bool UpDateData, std::string_view tipText, std::string_view titleText);
    bool IsVisible() const { return isVisible_; }

    void OnTimer1();
    bool EventLock() const { return eventLock_; }

    // Mouse activity on the icon as the notification area reports it; dropped under the lock.
    void OnTrayEvent(TrayEvent event) override;

  private:
    void RaiseLocked(TrayEvent event);

    TrayControlHost& host_;
    NotificationArea& area_;
    bool isVisible_ = false;
    bool eventLock_ = false;
};

}  // namespace agendix::controls
