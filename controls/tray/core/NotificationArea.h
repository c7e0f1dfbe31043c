#pragma once

#include <memory>
#include <string_view>

namespace agendix::controls {

// The events of the tray control, in the order of their declaration.
enum class TrayEvent { LeftClick, RightClick, MouseOver };

// The picture an icon shows, as the layer that shows it made it. The tray logic hands it on and
// never looks inside.
class TrayPicture {
  public:
    virtual ~TrayPicture() = default;
};

// Where the notification area reports mouse activity on an icon: left click, right click, and
// the pointer resting on it.
class TrayIconEvents {
  public:
    virtual ~TrayIconEvents() = default;
    virtual void OnTrayEvent(TrayEvent event) = 0;
};

// What an icon shows. The texts are UTF-8 and whole: a layer that can only show part of one
// decides how to cut it.
struct TrayIconContent {
    // Null: the icon has no picture of its own; the platform shows a stand-in.
    const TrayPicture* picture = nullptr;
    // The tool tip of the icon; empty for none.
    std::string_view toolTip;
    std::string_view balloonTitle;
    // The balloon's text; an empty text shows no balloon and closes one that is showing.
    std::string_view balloonText;
};

// The desktop's notification area as the tray control uses it: one icon, added with what it
// shows, changed, and removed. The results tell whether the area took the call; the tray never
// examines them.
class NotificationArea {
  public:
    virtual ~NotificationArea() = default;
    // Adds the icon and pops its balloon up. Mouse activity on the icon goes to `events` until
    // the icon is removed.
    virtual bool AddIcon(const TrayIconContent& content, TrayIconEvents& events) = 0;
    // Shows `content` on the icon that was added: its picture, tool tip and balloon (popped up
    // anew, or closed for an empty text).
    virtual bool ModifyIcon(const TrayIconContent& content) = 0;
    // Removes the icon and closes its balloon.
    virtual bool RemoveIcon() = 0;
};

}  // namespace agendix::controls
