#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <cstdint>
#include <memory>

#include "controls/tray/core/NotificationArea.h"
#include "controls/tray/linux/NotificationBalloon.h"

namespace agendix::controls {

// One icon of the notification area as a QSystemTrayIcon, with its balloon. Mouse activity on
// the icon goes to the icon's events from the event loop: a left press as LeftClick, a right
// press (or the opening of the menu a StatusNotifierItem host shows itself) as RightClick, the
// pointer resting on it as MouseOver.
class NotifyAreaIcon : public QObject {
    Q_OBJECT

  public:
    // `sender`: whom the balloons come from. `statusNotifierItems`: the icons are
    // StatusNotifierItems shown by a host over D-Bus rather than XEmbed icons (Qt decides this
    // once per process).
    NotifyAreaIcon(QDBusConnection bus, NotificationSender sender, bool statusNotifierItems,
                   QObject* parent = nullptr);

    bool IsAdded() const { return trayIcon_ != nullptr; }
    // Where mouse activity on the icon goes; null for nowhere.
    void SetEvents(controls::TrayIconEvents* events) { events_ = events; }
    // Shows the icon with `content`; a balloon text pops the balloon up, an empty one closes a
    // balloon that is showing.
    void Apply(const controls::TrayIconContent& content);
    // Removes the icon, closes a balloon that is showing, and reports no more events.
    void Remove();
    // Builds the icon anew, so that a tray host that came or went since it was made shows it.
    void Recreate();
    void SetHoverToolTipEnabled(bool enabled);
    // The menu a StatusNotifierItem host opens on a right click; null for the empty probe.
    void SetContextMenu(QMenu* menu);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void CreateTrayIcon();
    void ApplyBalloon(const controls::TrayIconContent& content);
    void UpdateToolTip();
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void Deliver(controls::TrayEvent event);

    NotificationBalloon balloon_;
    const bool statusNotifierItems_;
    // Exported to a StatusNotifierItem host, which opens it itself on a right click instead of
    // telling the item; its opening is taken as the right press. The probe has no entries and
    // serves until the owner offers its own menu.
    QMenu rightClickProbe_;
    QPointer<QMenu> contextMenu_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    controls::TrayIconEvents* events_ = nullptr;
    QIcon icon_;
    QString toolTip_;
    QString balloonTitle_;
    QString balloonText_;
    bool hoverToolTipEnabled_ = false;
};

}  // namespace agendix::controls
