#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "controls/tray/core/NotificationArea.h"
#include "controls/tray/win32/NotifyIconData.h"
#include "controls/tray/win32/Win32Types.h"

namespace agendix::controls {

// The shell's Shell_NotifyIconA, or what stands in for it: takes a message and the record.
using ShellNotifyIconFunction = std::function<BOOL(DWORD dwMessage, const NotifyIconData& data)>;

// What the record names besides its texts: the window that receives the icon's callbacks, and
// the icon handle of a picture (0 for none).
class ShellWindow {
  public:
    virtual ~ShellWindow() = default;
    virtual std::uint32_t WindowHandle() = 0;
    virtual std::uint32_t IconHandle(const TrayPicture* picture) = 0;
};

inline constexpr std::uint32_t kTrayIconId = 1;

// The notification area through the shell: each call fills the 488-byte record and hands it to
// Shell_NotifyIconA (NIM_ADD, NIM_MODIFY, NIM_DELETE). An icon the shell did not take (its task
// bar not there yet) is added, not modified, by the next call, and not deleted. The icon's
// callbacks reach the control's window as mouse-move notifications whose x is the mouse message
// number; OnIconMessage turns them into the events of the icon.
class ShellNotificationArea : public NotificationArea {
  public:
    // `window` must outlive the area.
    ShellNotificationArea(ShellNotifyIconFunction shell, ShellWindow& window);

    bool AddIcon(const TrayIconContent& content, TrayIconEvents& events) override;
    bool ModifyIcon(const TrayIconContent& content) override;
    bool RemoveIcon() override;
    // Adds the icon again with the record last sent, for a shell that lost it (a new task bar) or
    // never took it.
    bool RestoreIcon();
    // Whether the shell took the icon last added and not removed.
    bool IconAdded() const { return iconAdded_; }

    // A mouse-move notification of the control's window at horizontal position x (pixels).
    void OnIconMessage(double x);

    // The record as last sent to the shell.
    const NotifyIconData& IconData() const { return iconData_; }

  private:
    void FillIconData(const TrayIconContent& content);
    bool Add();

    ShellNotifyIconFunction shell_;
    ShellWindow& window_;
    NotifyIconData iconData_;
    TrayIconEvents* events_ = nullptr;
    bool iconAdded_ = false;
};

// The event a callback at horizontal position x stands for: the mouse message number it
// carries, rounded to the nearest whole number. None for other messages, real mouse moves and
// positions that are no number within 32 bits.
std::optional<TrayEvent> DecodeIconMessage(double x);

}  // namespace agendix::controls
