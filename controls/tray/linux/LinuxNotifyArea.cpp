#include "controls/tray/linux/LinuxNotifyArea.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "controls/tray/linux/NotifyAreaLog.h"

namespace agendix::controls {

Q_LOGGING_CATEGORY(lcNotifyArea, "agendix.tray", QtInfoMsg)

namespace {

const QString kStatusNotifierWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
// A quick question to the bus daemon's neighbour; Qt asks the same just before.
constexpr int kWatcherQueryTimeoutMilliseconds = 1000;

// Whether a StatusNotifierItem host is registered with a watcher on the session bus: the test
// Qt makes, once per process, to choose StatusNotifierItems over XEmbed icons.
bool StatusNotifierHostRegistered() {
    QDBusMessage query = QDBusMessage::createMethodCall(
        kStatusNotifierWatcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    query << kStatusNotifierWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(query, QDBus::Block, kWatcherQueryTimeoutMilliseconds);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           qvariant_cast<QDBusVariant>(reply.arguments().constFirst()).variant().toBool();
}

}  // namespace

LinuxNotifyArea::LinuxNotifyArea(NotificationSender sender, QObject* parent)
    : QObject(parent),
      sender_(std::move(sender)),
      trayHostWatcher_(kStatusNotifierWatcher, QDBusConnection::sessionBus(),
                       QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&trayHostWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &LinuxNotifyArea::RecreateIcon);
}

LinuxNotifyArea::~LinuxNotifyArea() = default;

bool LinuxNotifyArea::AddIcon(const controls::TrayIconContent& content,
                              controls::TrayIconEvents& events) {
    NotifyAreaIcon& icon = Icon();
    icon.SetEvents(&events);
    icon.Apply(content);
    return true;
}

bool LinuxNotifyArea::ModifyIcon(const controls::TrayIconContent& content) {
    if (!icon_ || !icon_->IsAdded()) {
        qCDebug(lcNotifyArea) << "an icon that was never added cannot change";
        return false;
    }
    icon_->Apply(content);
    return true;
}

bool LinuxNotifyArea::RemoveIcon() {
    if (!icon_ || !icon_->IsAdded()) {
        qCDebug(lcNotifyArea) << "no icon to remove";
        return false;
    }
    icon_->Remove();
    return true;
}

NotifyAreaIcon& LinuxNotifyArea::Icon() {
    if (!icon_) {
        icon_ = std::make_unique<NotifyAreaIcon>(QDBusConnection::sessionBus(), sender_,
                                                 StatusNotifierItems());
        icon_->SetHoverToolTipEnabled(hoverToolTipEnabled_);
        icon_->SetContextMenu(contextMenu_);
    }
    return *icon_;
}

bool LinuxNotifyArea::StatusNotifierItems() {
    if (!statusNotifierItems_) {
        statusNotifierItems_ = StatusNotifierHostRegistered();
        qCDebug(lcNotifyArea) << "StatusNotifierItem icons:" << *statusNotifierItems_;
    }
    return *statusNotifierItems_;
}

void LinuxNotifyArea::SetHoverToolTipEnabled(bool enabled) {
    hoverToolTipEnabled_ = enabled;
    if (icon_) {
        icon_->SetHoverToolTipEnabled(enabled);
    }
}

bool LinuxNotifyArea::OfferContextMenu(QMenu& menu) {
    if (!StatusNotifierItems()) {
        return false;
    }
    contextMenu_ = &menu;
    if (icon_) {
        icon_->SetContextMenu(contextMenu_);
    }
    return true;
}

void LinuxNotifyArea::RecreateIcon() {
    qCDebug(lcNotifyArea) << "StatusNotifierItem watcher changed; making the icon anew";
    if (icon_) {
        icon_->Recreate();
    }
}

}  // namespace agendix::controls
