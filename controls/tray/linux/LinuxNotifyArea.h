#pragma once

#include <QDBusServiceWatcher>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

#include "controls/tray/core/NotificationArea.h"
#include "controls/tray/linux/NotifyAreaIcon.h"

namespace agendix::controls {

// The notification area of a Linux desktop: the icon is a QSystemTrayIcon (StatusNotifierItem
// or XEmbed) and its balloon a desktop notification, both with the whole title and text. The
// icon is made anew when a StatusNotifierItem watcher comes or goes, so a tray host that starts
// after the program, or restarts, shows it. The results tell whether a call was taken. The
// balloons come from `sender`: the program's name, desktop entry and icon.
class LinuxNotifyArea : public QObject, public controls::NotificationArea {
    Q_OBJECT

  public:
    explicit LinuxNotifyArea(NotificationSender sender, QObject* parent = nullptr);
    ~LinuxNotifyArea() override;

    bool AddIcon(const controls::TrayIconContent& content,
                 controls::TrayIconEvents& events) override;
    bool ModifyIcon(const controls::TrayIconContent& content) override;
    bool RemoveIcon() override;

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
    NotifyAreaIcon& Icon();
    bool StatusNotifierItems();
    void RecreateIcon();

    const NotificationSender sender_;
    QDBusServiceWatcher trayHostWatcher_;
    // Made at the first call; it outlives the icon's removal, since its balloon may still have a
    // call under way.
    std::unique_ptr<NotifyAreaIcon> icon_;
    bool hoverToolTipEnabled_ = false;
    QPointer<QMenu> contextMenu_;
    std::optional<bool> statusNotifierItems_;
};

}  // namespace agendix::controls
