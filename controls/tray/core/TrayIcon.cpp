#include "controls/tray/core/TrayIcon.h"

namespace agendix::controls {

namespace {

std::string_view UpToNul(std::string_view text) {
    return text.substr(0, text.find('\0'));
}

}  // namespace

TrayIcon::TrayIcon(TrayControlHost& host, NotificationArea& area) : host_(host), area_(area) {}

TrayIcon::~TrayIcon() {
    if (isVisible_) {
        area_.RemoveIcon();
    }
}

void TrayIcon::Show(bool UpDateData, std::string_view tipText, std::string_view titleText) {
    if (!UpDateData) {
        if (isVisible_) {
            area_.RemoveIcon();
            isVisible_ = false;
        }
        return;
    }
    const std::shared_ptr<const TrayPicture> picture = host_.Picture();
    TrayIconContent content;
    content.picture = picture.get();
    content.balloonText = UpToNul(tipText);
    // Without a text there is no balloon, and so no title either.
    content.balloonTitle = content.balloonText.empty() ? std::string_view() : UpToNul(titleText);
    if (isVisible_) {
        area_.ModifyIcon(content);
    } else {
        area_.AddIcon(content, *this);
        isVisible_ = true;
    }
}

void TrayIcon::OnTrayEvent(TrayEvent event) {
    if (!eventLock_) {
        RaiseLocked(event);
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
