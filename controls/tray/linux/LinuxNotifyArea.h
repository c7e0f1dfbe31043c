#pragma once

#include <QDBusServiceWatcher>
#include <QObject>
#include <QPointer>
#include <map>
#include <memory>
#include <optional>
#include <utility>

#include "controls/tray/core/TrayIcon.h"
#include "controls/tray/linux/NotifyAreaIcon.h"
#include "controls/tray/qt/ShellHandles.h"

namespace agendix::controls {

// Shell_NotifyIconA on a Linux desktop: each record becomes a notification-area icon
// (QSystemTrayIcon: StatusNotifierItem or XEmbed) and its balloon a desktop notification. Icons
// are made anew when a StatusNotifierItem watcher comes or goes, so a tray host that starts
// after the program, or restarts, shows them. The result tells whether the call was taken.
// The balloons come from `sender`: the program's name, desktop entry and icon.
class LinuxNotifyArea : public QObject, public controls::ShellNotifyIcon {
    Q_OBJECT

  public:
    LinuxNotifyArea(ShellHandles& handles, NotificationSender sender, QObject* parent = nullptr);
    ~LinuxNotifyArea() override;

    bool Shell_NotifyIconA(std::uint32_t dwMessage, const controls::NotifyIconData& data) override;

    // On a tray host that never reports the pointer resting on an icon (StatusNotifierItem),
    // shows the balloon's title and text as the icon's tool tip while enabled; no tool tip
    // otherwise. Off at first.
    void SetHoverToolTipEnabled(bool enabled);

    // A StatusNotifierItem host opens the item's menu itself on a right click and tells the
    // item nothing else; there `menu` becomes the icons' menu (its opening still reaches the
    // control as the right press) and this returns true. On other trays it returns false and
    // the owner pops its menu up itself.
    bool OfferContextMenu(QMenu& menu);

  private:
    using IconKey = std::pair<std::uint32_t, std::uint32_t>;  // hWnd, uID

    NotifyAreaIcon& IconFor(const IconKey& key);
    bool StatusNotifierItems();
    void RecreateIcons();

    ShellHandles& handles_;
    const NotificationSender sender_;
    QDBusServiceWatcher trayHostWatcher_;
    std::map<IconKey, std::unique_ptr<NotifyAreaIcon>> icons_;
    bool hoverToolTipEnabled_ = false;
    QPointer<QMenu> contextMenu_;
    std::optional<bool> statusNotifierItems_;
};

}  // namespace agendix::controls
