#include "controls/tray/core/TrayIcon.h"

#include <cmath>
#include <limits>
#include <optional>

namespace agendix::controls {

namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;

// The message number a callback carries in x; none for a position that is no whole number
// within reach of one (not finite, or beyond 32 bits).
std::optional<std::uint32_t> MessageNumber(double x) {
    const double nearest = std::nearbyint(x);
    if (!std::isfinite(nearest) || nearest < 0 ||
        nearest > static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(nearest);
}

}  // namespace

TrayIcon::TrayIcon(TrayControlHost& host, ShellNotifyIcon& shell) : host_(host), shell_(shell) {}

void TrayIcon::Show(bool UpDateData, std::string_view tipText, std::string_view titleText) {
    if (!UpDateData) {
        if (isVisible_) {
            shell_.Shell_NotifyIconA(NIM_DELETE, iconData_);
            isVisible_ = false;
        }
        return;
    }
    FillIconData(tipText, titleText);
    if (isVisible_) {
        shell_.Shell_NotifyIconA(NIM_MODIFY, iconData_);
    } else {
        shell_.Shell_NotifyIconA(NIM_ADD, iconData_);
        isVisible_ = true;
    }
}

void TrayIcon::FillIconData(std::string_view tipText, std::string_view titleText) {
    iconData_.Set(Field::cbSize, NotifyIconData::kSize);
    iconData_.Set(Field::hWnd, host_.WindowHandle());
    iconData_.Set(Field::uID, kTrayIconId);
    iconData_.Set(Field::uFlags, NIF_MESSAGE | NIF_ICON | NIF_INFO);
    iconData_.Set(Field::uCallbackMessage, WM_MOUSEMOVE);
    iconData_.Set(Field::hIcon, host_.IconHandle());
    iconData_.SetText(TextField::szTip, "");
    if (!tipText.empty()) {
        iconData_.SetText(TextField::szInfoTitle, titleText);
        iconData_.SetText(TextField::szInfo, tipText);
    } else {
        // An empty balloon text shows no balloon and removes one that is showing.
        iconData_.SetText(TextField::szInfoTitle, "");
        iconData_.SetText(TextField::szInfo, std::string_view("\0", 1));
    }
    iconData_.Set(Field::uTimeout, 0);
}

void TrayIcon::OnIconMessage(double x) {
    if (eventLock_) {
        return;
    }
    const std::optional<std::uint32_t> message = MessageNumber(x);
    if (!message) {
        return;
    }
    switch (*message) {
        case WM_MOUSEMOVE:
            RaiseLocked(TrayEvent::MouseOver);
            break;
        case WM_LBUTTONDOWN:
            RaiseLocked(TrayEvent::LeftClick);
            break;
        case WM_RBUTTONDOWN:
            RaiseLocked(TrayEvent::RightClick);
            break;
        default:
            break;
    }
}

void TrayIcon::RaiseLocked(TrayEvent event) {
    eventLock_ = true;
    try {
        host_.RaiseEvent(event);
    } catch (...) {
        // A failing handler must not leave the lock set for good.
        host_.SetTimer1Interval(kEventLockMilliseconds);
        throw;
    }
    host_.SetTimer1Interval(kEventLockMilliseconds);
}

void TrayIcon::OnTimer1() {
    host_.SetTimer1Interval(0);
    eventLock_ = false;
}

}  // namespace agendix::controls
