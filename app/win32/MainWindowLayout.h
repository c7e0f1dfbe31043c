#pragma once

// The options window's controls: kind, caption, place in twips within their container and tab
// position, and the tray menu's items with their command ids. Plain C++: the window lays itself
// out from these tables at the screen's resolution.

#include <array>
#include <optional>
#include <span>

namespace agendix::app {

enum class ControlId {
    Image1,
    Label1,
    frmOptions,
    Label3Every,
    txtMin,
    UpDown1,
    Label3Minutes,
    chkWStartup,
    chkStartup,
    chkMouseOver,
    chkTomorrow,
    cmdAbout,
    cmdExit,
    cmdTray,
};

enum class ControlKind { Icon, Label, GroupBox, TextBox, Spinner, CheckBox, Button };

// The window's client area, and the white band across its top (Picture1), in twips.
inline constexpr int kClientWidthTwips = 4260;
inline constexpr int kClientHeightTwips = 3390;
inline constexpr int kBandHeightTwips = 540;

struct ControlPlacement {
    ControlId id;
    ControlKind kind;
    const char* caption;
    // Inside the options group box rather than on the window itself.
    bool inGroup;
    int left, top, width, height;  // twips, within the container
};

// In the order the window creates them, which is the order Tab follows within each container.
std::span<const ControlPlacement> MainWindowControls();
const ControlPlacement& Placement(ControlId id);

// A rectangle in pixels: left, top, width, height.
struct PixelBox {
    int left, top, width, height;
    bool operator==(const PixelBox&) const = default;
};
PixelBox ToPixels(const ControlPlacement& placement, int dotsPerInch);

// The control's command id in WM_COMMAND (its child-window id); ids start above the system's
// IDOK/IDCANCEL.
int CommandId(ControlId id);
std::optional<ControlId> ControlOfCommand(int commandId);

// The tray menu, in order; a null caption is a separator.
enum class MenuItem { mnuDoSync, mnuSP0, mnuSettings, mnuSP2, mnuExit };
struct MenuEntry {
    MenuItem item;
    const char* caption;
    int commandId;
};
std::span<const MenuEntry> TrayMenu();
std::optional<MenuItem> MenuItemOfCommand(int commandId);

}  // namespace agendix::app
