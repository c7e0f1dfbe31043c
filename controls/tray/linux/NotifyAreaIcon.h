#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <cstdint>
#include <memory>

#include "controls/tray/core/NotifyIconData.h"
#include "controls/tray/linux/NotificationBalloon.h"
#include "controls/tray/qt/ShellHandles.h"

namespace agendix::controls {

// One icon of the notification area as a QSystemTrayIcon, with its balloon. Mouse activity on
// the icon goes back to the owner window as the record's callback message: a mouse-move
// notification whose x is the mouse message number (0x200 pointer resting, 0x201 left press,
// 0x204 right press).
class NotifyAreaIcon : public QObject {
    Q_OBJECT

  public:
    // `sender`: whom the balloons come from. `statusNotifierItems`: the icons are
    // StatusNotifierItems shown by a host over D-Bus rather than XEmbed icons (Qt decides this
    // once per process).
    NotifyAreaIcon(ShellHandles& handles, QDBusConnection bus, NotificationSender sender,
                   bool statusNotifierItems, QObject* parent = nullptr);

    bool IsAdded() const { return trayIcon_ != nullptr; }
    // Shows the icon with the members that uFlags selects; a balloon text pops the balloon up,
    // an empty one closes a balloon that is showing.
    void Apply(const controls::NotifyIconData& data);
    // Removes the icon and closes a balloon that is showing.
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
    void ApplyBalloon(const controls::NotifyIconData& data);
    void UpdateToolTip();
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void Deliver(std::uint32_t mouseMessage);

    ShellHandles& handles_;
    NotificationBalloon balloon_;
    const bool statusNotifierItems_;
    // Exported to a StatusNotifierItem host, which opens it itself on a right click instead of
    // telling the item; its opening is taken as the right press. The probe has no entries and
    // serves until the owner offers its own menu.
    QMenu rightClickProbe_;
    QPointer<QMenu> contextMenu_;
    std::unique_ptr<QSystemTrayIcon> trayIcon_;
    std::uint32_t window_ = 0;
    std::uint32_t callbackMessage_ = 0;
    QIcon icon_;
    QString balloonTitle_;
    QString balloonText_;
    bool hoverToolTipEnabled_ = false;
};

}  // namespace agendix::controls
