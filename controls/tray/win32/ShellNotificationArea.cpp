#include "controls/tray/win32/ShellNotificationArea.h"

#include <cmath>
#include <limits>
#include <string>
#include <utility>

#include "common/core/Rounding.h"

namespace agendix::controls {

namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;

}  // namespace

ShellNotificationArea::ShellNotificationArea(ShellNotifyIconFunction shell, ShellWindow& window)
    : shell_(std::move(shell)), window_(window) {}

bool ShellNotificationArea::AddIcon(const TrayIconContent& content, TrayIconEvents& events) {
    events_ = &events;
    FillIconData(content);
    return Add();
}

bool ShellNotificationArea::ModifyIcon(const TrayIconContent& content) {
    FillIconData(content);
    return iconAdded_ ? shell_(NIM_MODIFY, iconData_) != 0 : Add();
}

// The shell finds the icon by the window and id of the record last sent.
bool ShellNotificationArea::RemoveIcon() {
    events_ = nullptr;
    if (!std::exchange(iconAdded_, false)) {
        return true;
    }
    return shell_(NIM_DELETE, iconData_) != 0;
}

bool ShellNotificationArea::RestoreIcon() {
    return Add();
}

bool ShellNotificationArea::Add() {
    iconAdded_ = shell_(NIM_ADD, iconData_) != 0;
    return iconAdded_;
}

void ShellNotificationArea::FillIconData(const TrayIconContent& content) {
    iconData_.Set(Field::cbSize, NotifyIconData::kSize);
    iconData_.Set(Field::hWnd, window_.WindowHandle());
    iconData_.Set(Field::uID, kTrayIconId);
    iconData_.Set(Field::uFlags, NIF_MESSAGE | NIF_ICON | NIF_INFO);
    iconData_.Set(Field::uCallbackMessage, WM_MOUSEMOVE);
    iconData_.Set(Field::hIcon, window_.IconHandle(content.picture));
    iconData_.SetText(TextField::szTip, content.toolTip);
    iconData_.SetText(TextField::szInfoTitle, content.balloonTitle);
    // The NUL ends the text where the shell reads it; a text alone would be read with the
    // blanks that pad the field. An empty text, the NUL alone, shows no balloon and removes one
    // that is showing.
    iconData_.SetText(TextField::szInfo, std::string(content.balloonText) + '\0');
    iconData_.Set(Field::uTimeout, 0);
}

void ShellNotificationArea::OnIconMessage(double x) {
    const std::optional<TrayEvent> event = DecodeIconMessage(x);
    if (event && events_ != nullptr) {
        events_->OnTrayEvent(*event);
    }
}

std::optional<TrayEvent> DecodeIconMessage(double x) {
    const double nearest = common::RoundHalfToEven(x);
    if (!std::isfinite(nearest) || nearest < 0 ||
        nearest > static_cast<double>(std::numeric_limits<std::uint32_t>::max())) {
        return std::nullopt;
    }
    switch (static_cast<std::uint32_t>(nearest)) {
        case WM_MOUSEMOVE:
            return TrayEvent::MouseOver;
        case WM_LBUTTONDOWN:
            return TrayEvent::LeftClick;
        case WM_RBUTTONDOWN:
            return TrayEvent::RightClick;
        default:
            return std::nullopt;
    }
}

}  // namespace agendix::controls
