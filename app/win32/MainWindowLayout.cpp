#include "app/win32/MainWindowLayout.h"

#include <algorithm>

#include "controls/host/core/Twips.h"

namespace agendix::app {
namespace {

constexpr int kFirstControlCommand = 1000;
constexpr int kFirstMenuCommand = 2000;

using Kind = ControlKind;

// Tab moves through the buttons first, then into the group: the interval, then the options.
constexpr std::array kControls{
    ControlPlacement{ControlId::cmdAbout, Kind::Button, "&About", false, 60, 2940, 1100, 405},
    ControlPlacement{ControlId::cmdTray, Kind::Button, "&Hide", false, 3120, 2940, 1100, 405},
    ControlPlacement{ControlId::Image1, Kind::Icon, "", false, 30, 30, 480, 480},
    ControlPlacement{ControlId::Label1, Kind::Label, "Agendix", false, 630, 60, 3855, 405},
    ControlPlacement{ControlId::frmOptions, Kind::GroupBox, "Options", false, 30, 600, 4185, 2295},
    ControlPlacement{ControlId::txtMin, Kind::TextBox, "2", true, 1230, 330, 300, 285},
    ControlPlacement{ControlId::UpDown1, Kind::Spinner, "", true, 1530, 330, 255, 285},
    ControlPlacement{ControlId::Label3Minutes, Kind::Label, "minutes", true, 1830, 360, 615, 255},
    ControlPlacement{ControlId::Label3Every, Kind::Label, "Check  every:", true, 180, 360, 1095,
                     255},
    ControlPlacement{ControlId::chkStartup, Kind::CheckBox, "Hide this form at startup", true, 210,
                     1110, 2025, 285},
    ControlPlacement{ControlId::chkTomorrow, Kind::CheckBox, "Also show tomorrow", true, 210, 1770,
                     2145, 285},
    ControlPlacement{ControlId::cmdExit, Kind::Button, "&Exit", false, 1230, 2940, 1100, 405},
    ControlPlacement{ControlId::chkWStartup, Kind::CheckBox, "Auto start with Windows", true, 210,
                     780, 2055, 285},
    ControlPlacement{ControlId::chkMouseOver, Kind::CheckBox, "Show ToolTip at MouseOver Event",
                     true, 210, 1440, 3825, 285},
};

constexpr std::array kMenu{
    MenuEntry{MenuItem::mnuDoSync, "Show Appointments", kFirstMenuCommand},
    MenuEntry{MenuItem::mnuSP0, nullptr, 0},
    MenuEntry{MenuItem::mnuSettings, "Settings", kFirstMenuCommand + 1},
    MenuEntry{MenuItem::mnuSP2, nullptr, 0},
    MenuEntry{MenuItem::mnuExit, "Exit", kFirstMenuCommand + 2},
};

}  // namespace

std::span<const ControlPlacement> MainWindowControls() {
    return kControls;
}

const ControlPlacement& Placement(ControlId id) {
    return *std::find_if(kControls.begin(), kControls.end(),
                         [id](const ControlPlacement& control) { return control.id == id; });
}

PixelBox ToPixels(const ControlPlacement& placement, int dotsPerInch) {
    using controls::TwipsToPixels;
    return {TwipsToPixels(placement.left, dotsPerInch), TwipsToPixels(placement.top, dotsPerInch),
            TwipsToPixels(placement.width, dotsPerInch),
            TwipsToPixels(placement.height, dotsPerInch)};
}

int CommandId(ControlId id) {
    return kFirstControlCommand + static_cast<int>(id);
}

std::optional<ControlId> ControlOfCommand(int commandId) {
    const int index = commandId - kFirstControlCommand;
    if (index < 0 || index > static_cast<int>(ControlId::cmdTray)) {
        return std::nullopt;
    }
    return static_cast<ControlId>(index);
}

std::span<const MenuEntry> TrayMenu() {
    return kMenu;
}

std::optional<MenuItem> MenuItemOfCommand(int commandId) {
    for (const MenuEntry& entry : kMenu) {
        if (entry.caption != nullptr && entry.commandId == commandId) {
            return entry.item;
        }
    }
    return std::nullopt;
}

}  // namespace agendix::app
