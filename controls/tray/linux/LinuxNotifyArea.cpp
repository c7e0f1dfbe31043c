#include "controls/tray/linux/LinuxNotifyArea.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include "controls/tray/linux/NotifyAreaLog.h"

namespace agendix::controls {

Q_LOGGING_CATEGORY(lcNotifyArea, "agendix.tray", QtInfoMsg)

namespace {

using Field = controls::NotifyIconData::Field;

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

LinuxNotifyArea::LinuxNotifyArea(ShellHandles& handles, NotificationSender sender, QObject* parent)
    : QObject(parent),
      handles_(handles),
      sender_(std::move(sender)),
      trayHostWatcher_(kStatusNotifierWatcher, QDBusConnection::sessionBus(),
                       QDBusServiceWatcher::WatchForOwnerChange) {
    connect(&trayHostWatcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
            &LinuxNotifyArea::RecreateIcons);
}

LinuxNotifyArea::~LinuxNotifyArea() = default;

bool LinuxNotifyArea::Shell_NotifyIconA(std::uint32_t dwMessage,
                                        const controls::NotifyIconData& data) {
    const IconKey key{data.Get(Field::hWnd), data.Get(Field::uID)};
    switch (dwMessage) {
        case controls::NIM_ADD:
        case controls::NIM_MODIFY: {
            NotifyAreaIcon& icon = IconFor(key);
            if (dwMessage == controls::NIM_MODIFY && !icon.IsAdded()) {
                qCDebug(lcNotifyArea) << "NIM_MODIFY for an icon that was never added";
                return false;
            }
            icon.Apply(data);
            return true;
        }
        case controls::NIM_DELETE: {
            const auto found = icons_.find(key);
            if (found == icons_.end() || !found->second->IsAdded()) {
                qCDebug(lcNotifyArea) << "NIM_DELETE for an icon that is not there";
                return false;
            }
            found->second->Remove();
            return true;
        }
        default:
            qCDebug(lcNotifyArea) << "unknown Shell_NotifyIconA message" << dwMessage;
            return false;
    }
}

// An icon's entry outlives its removal: its balloon may still have a call under way.
NotifyAreaIcon& LinuxNotifyArea::IconFor(const IconKey& key) {
    auto& icon = icons_[key];
    if (!icon) {
        icon = std::make_unique<NotifyAreaIcon>(handles_, QDBusConnection::sessionBus(), sender_,
                                                StatusNotifierItems());
        icon->SetHoverToolTipEnabled(hoverToolTipEnabled_);
        icon->SetContextMenu(contextMenu_);
    }
    return *icon;
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
    for (auto& [key, icon] : icons_) {
        icon->SetHoverToolTipEnabled(enabled);
    }
}

bool LinuxNotifyArea::OfferContextMenu(QMenu& menu) {
    if (!StatusNotifierItems()) {
        return false;
    }
    contextMenu_ = &menu;
    for (auto& [key, icon] : icons_) {
        icon->SetContextMenu(contextMenu_);
    }
    return true;
}

void LinuxNotifyArea::RecreateIcons() {
    qCDebug(lcNotifyArea) << "StatusNotifierItem watcher changed; making the icons anew";
    for (auto& [key, icon] : icons_) {
        icon->Recreate();
    }
}

}  // namespace agendix::controls
