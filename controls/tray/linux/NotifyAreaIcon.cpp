#include "controls/tray/linux/NotifyAreaIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QStyle>

#include "controls/tray/linux/NotifyAreaLog.h"

namespace agendix::controls {

namespace {

using Field = controls::NotifyIconData::Field;
using TextField = controls::NotifyIconData::TextField;

constexpr std::uint32_t WM_LBUTTONDBLCLK = 0x203;
constexpr std::uint32_t WM_MBUTTONDOWN = 0x207;

QString RecordText(const controls::NotifyIconData& data, TextField field) {
    return QString::fromStdString(data.Text(field));
}

// An icon for a record without one, so that the entry stays visible and clickable.
QIcon StandInIcon() {
    const QIcon windowIcon = QApplication::windowIcon();
    return windowIcon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)
                               : windowIcon;
}

}  // namespace

NotifyAreaIcon::NotifyAreaIcon(ShellHandles& handles, QDBusConnection bus,
                               NotificationSender sender, bool statusNotifierItems, QObject* parent)
    : QObject(parent),
      handles_(handles),
      balloon_(std::move(bus), std::move(sender)),
      statusNotifierItems_(statusNotifierItems) {
    rightClickProbe_.addAction(QStringLiteral("-"))->setVisible(false);
    connect(&rightClickProbe_, &QMenu::aboutToShow, this,
            [this] { Deliver(controls::WM_RBUTTONDOWN); });
    connect(&balloon_, &NotificationBalloon::ServiceUnavailable, this,
            [this](const QString& title, const QString& text) {
                if (trayIcon_) {
                    trayIcon_->showMessage(title, text, QSystemTrayIcon::NoIcon);
                }
            });
}

void NotifyAreaIcon::Apply(const controls::NotifyIconData& data) {
    const std::uint32_t flags = data.Get(Field::uFlags);
    window_ = data.Get(Field::hWnd);
    if (flags & controls::NIF_MESSAGE) {
        callbackMessage_ = data.Get(Field::uCallbackMessage);
    }
    if (flags & controls::NIF_ICON) {
        const PicturePtr picture = handles_.Icon(data.Get(Field::hIcon));
        icon_ = picture ? picture->icon() : StandInIcon();
    }
    if (!trayIcon_) {
        CreateTrayIcon();
    } else {
        trayIcon_->setIcon(icon_);
    }
    if (flags & controls::NIF_INFO) {
        ApplyBalloon(data);
    }
}

void NotifyAreaIcon::ApplyBalloon(const controls::NotifyIconData& data) {
    balloonText_ = RecordText(data, TextField::szInfo);
    // Line ends of the record are CR LF; a notification breaks lines at LF.
    balloonText_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (balloonText_.isEmpty()) {
        balloonTitle_.clear();
        balloon_.Close();
    } else {
        balloonTitle_ = RecordText(data, TextField::szInfoTitle);
        balloon_.Show(balloonTitle_, balloonText_);
    }
    UpdateToolTip();
}

void NotifyAreaIcon::Remove() {
    trayIcon_.reset();
    balloon_.Close();
    balloonTitle_.clear();
    balloonText_.clear();
}

void NotifyAreaIcon::Recreate() {
    if (trayIcon_) {
        trayIcon_.reset();
        CreateTrayIcon();
    }
}

void NotifyAreaIcon::SetHoverToolTipEnabled(bool enabled) {
    hoverToolTipEnabled_ = enabled;
    UpdateToolTip();
}

void NotifyAreaIcon::SetContextMenu(QMenu* menu) {
    if (!statusNotifierItems_ || menu == contextMenu_) {
        return;
    }
    if (contextMenu_) {
        disconnect(contextMenu_, &QMenu::aboutToShow, this, nullptr);
    }
    contextMenu_ = menu;
    if (contextMenu_) {
        connect(contextMenu_, &QMenu::aboutToShow, this,
                [this] { Deliver(controls::WM_RBUTTONDOWN); });
    }
    if (trayIcon_) {
        trayIcon_->setContextMenu(contextMenu_ ? contextMenu_.data() : &rightClickProbe_);
    }
}

void NotifyAreaIcon::CreateTrayIcon() {
    trayIcon_ = std::make_unique<QSystemTrayIcon>(icon_);
    trayIcon_->installEventFilter(this);
    connect(trayIcon_.get(), &QSystemTrayIcon::activated, this, &NotifyAreaIcon::OnActivated);
    if (statusNotifierItems_) {
        trayIcon_->setContextMenu(contextMenu_ ? contextMenu_.data() : &rightClickProbe_);
    }
    UpdateToolTip();
    trayIcon_->show();
}

// A tray host that shows the icon's tool tip itself never reports hover (StatusNotifierItem);
// there the balloon's title and text become the tool tip while hover balloons are wanted. On an
// XEmbed tray, hover arrives as a tool-tip event instead, which the event filter takes; the icon
// keeps no tool tip there, since Qt stops reporting hover on an XEmbed icon that has one.
void NotifyAreaIcon::UpdateToolTip() {
    if (!trayIcon_ || !statusNotifierItems_) {
        return;
    }
    QString toolTip;
    if (hoverToolTipEnabled_ && !balloonText_.isEmpty()) {
        toolTip = balloonTitle_ + u'\n' + balloonText_;
        while (toolTip.endsWith(u'\n')) {
            toolTip.chop(1);
        }
    }
    trayIcon_->setToolTip(toolTip);
}

bool NotifyAreaIcon::eventFilter(QObject* watched, QEvent* event) {
    if (watched == trayIcon_.get() && event->type() == QEvent::ToolTip) {
        Deliver(controls::WM_MOUSEMOVE);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void NotifyAreaIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            Deliver(controls::WM_LBUTTONDOWN);
            break;
        case QSystemTrayIcon::Context:
            Deliver(controls::WM_RBUTTONDOWN);
            break;
        case QSystemTrayIcon::DoubleClick:
            Deliver(WM_LBUTTONDBLCLK);
            break;
        case QSystemTrayIcon::MiddleClick:
            Deliver(WM_MBUTTONDOWN);
            break;
        case QSystemTrayIcon::Unknown:
            break;
    }
}

// Posts the callback to the owner window. Only the mouse-move message has a meaning for a Qt
// window, so that is the only callback message delivered.
void NotifyAreaIcon::Deliver(std::uint32_t mouseMessage) {
    QWidget* window = handles_.Window(window_);
    if (window == nullptr || callbackMessage_ != controls::WM_MOUSEMOVE) {
        qCDebug(lcNotifyArea) << "icon callback not delivered: window" << window_ << "message"
                              << callbackMessage_;
        return;
    }
    const QPointF position(mouseMessage, 0);
    QCoreApplication::postEvent(
        window, new QMouseEvent(QEvent::MouseMove, position, position, Qt::NoButton, Qt::NoButton,
                                Qt::NoModifier));
}

}  // namespace agendix::controls
