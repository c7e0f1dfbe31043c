#include "app/win32/MainWindowLayout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace agendix::app::testing {
namespace {

TEST(MainWindowLayout, TwipsBecomePixelsAtTheScreensResolution) {
    const ControlPlacement& group = Placement(ControlId::frmOptions);
    EXPECT_EQ(ToPixels(group, 96), (PixelBox{2, 40, 279, 153}));
    // 150 %: halves round up (4185 twips are 418.5 pixels).
    EXPECT_EQ(ToPixels(group, 144), (PixelBox{3, 60, 419, 230}));
    EXPECT_EQ(ToPixels(Placement(ControlId::cmdTray), 96), (PixelBox{208, 196, 73, 27}));
    // Less than half a pixel is none; 8 twips at 96 dots per inch are 0.53 pixels.
    EXPECT_EQ(ToPixels({ControlId::Image1, ControlKind::Icon, "", false, 7, 8, 22, 23}, 96),
              (PixelBox{0, 1, 1, 2}));
}

// The name in the white band may run past the window's edge (a label is cut there); every
// control the user works with is whole.
TEST(MainWindowLayout, EveryControlTheUserWorksWithFitsItsContainer) {
    const ControlPlacement& group = Placement(ControlId::frmOptions);
    for (const ControlPlacement& control : MainWindowControls()) {
        const int width = control.inGroup ? group.width : kClientWidthTwips;
        const int height = control.inGroup ? group.height : kClientHeightTwips;
        EXPECT_LT(control.left, width) << control.caption;
        if (control.kind != ControlKind::Label) {
            EXPECT_LE(control.left + control.width, width) << control.caption;
            EXPECT_LE(control.top + control.height, height) << control.caption;
        }
    }
    const ControlPlacement& band = Placement(ControlId::Label1);
    EXPECT_LE(band.top + band.height, kBandHeightTwips);
}

TEST(MainWindowLayout, TheGroupHoldsTheIntervalRowAndTheOptionsFromTopToBottom) {
    std::vector<std::string> inGroup;
    for (const ControlPlacement& control : MainWindowControls()) {
        if (control.inGroup) {
            inGroup.push_back(control.caption);
        }
    }
    EXPECT_EQ(inGroup.size(), 8u);
    EXPECT_LT(Placement(ControlId::txtMin).top, Placement(ControlId::chkWStartup).top);
    EXPECT_LT(Placement(ControlId::chkWStartup).top, Placement(ControlId::chkStartup).top);
    EXPECT_LT(Placement(ControlId::chkStartup).top, Placement(ControlId::chkMouseOver).top);
    EXPECT_LT(Placement(ControlId::chkMouseOver).top, Placement(ControlId::chkTomorrow).top);
    // The spinner sits right of the minutes box, "minutes" right of the spinner.
    EXPECT_EQ(Placement(ControlId::txtMin).left + Placement(ControlId::txtMin).width,
              Placement(ControlId::UpDown1).left);
    EXPECT_LT(Placement(ControlId::UpDown1).left, Placement(ControlId::Label3Minutes).left);
}

TEST(MainWindowLayout, TabGoesThroughTheButtonsFirstThenTheIntervalAndTheOptions) {
    std::vector<ControlId> focusable;
    for (const ControlPlacement& control : MainWindowControls()) {
        if (control.kind == ControlKind::Button || control.kind == ControlKind::CheckBox ||
            control.kind == ControlKind::TextBox) {
            focusable.push_back(control.id);
        }
    }
    const std::vector<ControlId> expected{ControlId::cmdAbout,    ControlId::cmdTray,
                                          ControlId::txtMin,      ControlId::chkStartup,
                                          ControlId::chkTomorrow, ControlId::cmdExit,
                                          ControlId::chkWStartup, ControlId::chkMouseOver};
    EXPECT_EQ(focusable, expected);
}

TEST(MainWindowLayout, CommandIdsNameTheirControlAndNothingElse) {
    std::set<int> ids;
    for (const ControlPlacement& control : MainWindowControls()) {
        const int id = CommandId(control.id);
        EXPECT_GT(id, 2) << "above IDOK and IDCANCEL";
        EXPECT_EQ(ControlOfCommand(id), control.id);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), MainWindowControls().size());
    EXPECT_FALSE(ControlOfCommand(CommandId(ControlId::Image1) - 1));
    EXPECT_FALSE(ControlOfCommand(CommandId(ControlId::cmdTray) + 1));
    for (const MenuEntry& entry : TrayMenu()) {
        if (entry.caption != nullptr) {
            EXPECT_FALSE(ControlOfCommand(entry.commandId)) << entry.caption;
        }
    }
}

TEST(MainWindowLayout, TheTrayMenuHasThreeItemsBetweenSeparators) {
    std::vector<std::string> captions;
    for (const MenuEntry& entry : TrayMenu()) {
        captions.push_back(entry.caption != nullptr ? entry.caption : "-");
        if (entry.caption != nullptr) {
            EXPECT_EQ(MenuItemOfCommand(entry.commandId), entry.item);
        }
    }
    EXPECT_EQ(captions,
              (std::vector<std::string>{"Show Appointments", "-", "Settings", "-", "Exit"}));
    // A separator's id (0) is no command, nor is a control's.
    EXPECT_FALSE(MenuItemOfCommand(0));
    EXPECT_FALSE(MenuItemOfCommand(CommandId(ControlId::cmdExit)));
}

}  // namespace
}  // namespace agendix::app::testing
