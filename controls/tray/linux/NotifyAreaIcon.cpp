#include "controls/tray/linux/NotifyAreaIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>
#include <QStyle>

#include "controls/tray/linux/NotifyAreaLog.h"
#include "controls/tray/qt/QtTrayPicture.h"

namespace agendix::controls {

namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// An icon for an entry without a picture, so that the entry stays visible and clickable.
QIcon StandInIcon() {
    const QIcon windowIcon = QApplication::windowIcon();
    return windowIcon.isNull() ? QApplication::style()->standardIcon(QStyle::SP_ComputerIcon)
                               : windowIcon;
}

}  // namespace

NotifyAreaIcon::NotifyAreaIcon(QDBusConnection bus, NotificationSender sender,
                               bool statusNotifierItems, QObject* parent)
    : QObject(parent),
      balloon_(std::move(bus), std::move(sender)),
      statusNotifierItems_(statusNotifierItems) {
    rightClickProbe_.addAction(QStringLiteral("-"))->setVisible(false);
    connect(&rightClickProbe_, &QMenu::aboutToShow, this,
            [this] { Deliver(controls::TrayEvent::RightClick); });
    connect(&balloon_, &NotificationBalloon::ServiceUnavailable, this,
            [this](const QString& title, const QString& text) {
                if (trayIcon_) {
                    trayIcon_->showMessage(title, text, QSystemTrayIcon::NoIcon);
                }
            });
}

void NotifyAreaIcon::Apply(const controls::TrayIconContent& content) {
    const PicturePtr picture = QtPictureOf(content.picture);
    icon_ = picture ? picture->icon() : StandInIcon();
    toolTip_ = FromUtf8(content.toolTip);
    if (!trayIcon_) {
        CreateTrayIcon();
    } else {
        trayIcon_->setIcon(icon_);
    }
    ApplyBalloon(content);
}

void NotifyAreaIcon::ApplyBalloon(const controls::TrayIconContent& content) {
    balloonText_ = FromUtf8(content.balloonText);
    // The text's lines end with CR LF; a notification breaks lines at LF.
    balloonText_.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (balloonText_.isEmpty()) {
        balloonTitle_.clear();
        balloon_.Close();
    } else {
        balloonTitle_ = FromUtf8(content.balloonTitle);
        balloon_.Show(balloonTitle_, balloonText_);
    }
    UpdateToolTip();
}

void NotifyAreaIcon::Remove() {
    events_ = nullptr;
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
                [this] { Deliver(controls::TrayEvent::RightClick); });
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
// there the balloon's whole title and text become the tool tip while hover balloons are wanted,
// and the icon's own tool tip otherwise. On an
// XEmbed tray, hover arrives as a tool-tip event instead, which the event filter takes; the icon
// keeps no tool tip there, since Qt stops reporting hover on an XEmbed icon that has one.
void NotifyAreaIcon::UpdateToolTip() {
    if (!trayIcon_ || !statusNotifierItems_) {
        return;
    }
    QString toolTip = toolTip_;
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
        Deliver(controls::TrayEvent::MouseOver);
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// A double click and a middle click have no event of their own: the first press of a double
// click has been reported as a left click already.
void NotifyAreaIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Trigger:
            Deliver(controls::TrayEvent::LeftClick);
            break;
        case QSystemTrayIcon::Context:
            Deliver(controls::TrayEvent::RightClick);
            break;
        case QSystemTrayIcon::DoubleClick:
        case QSystemTrayIcon::MiddleClick:
        case QSystemTrayIcon::Unknown:
            break;
    }
}

// Reports the event from the event loop, not from inside the tray icon's own signal: a handler
// may remove the icon, which deletes the QSystemTrayIcon that is still emitting. An icon removed
// meanwhile reports nothing.
void NotifyAreaIcon::Deliver(controls::TrayEvent event) {
    QMetaObject::invokeMethod(
        this,
        [this, event] {
            if (events_ == nullptr) {
                qCDebug(lcNotifyArea) << "icon event dropped: the icon was removed";
                return;
            }
            events_->OnTrayEvent(event);
        },
        Qt::QueuedConnection);
}

}  // namespace agendix::controls
