#include "controls/tray/win32/ShellNotificationArea.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "controls/tray/core/TrayIcon.h"

namespace agendix::controls {
namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;
using ::testing::ElementsAre;

class TestPicture : public TrayPicture {};

struct ShellCall {
    DWORD message;
    NotifyIconData data;
};

class FakeWindow : public ShellWindow {
  public:
    std::uint32_t WindowHandle() override { return 0x5A5A; }
    std::uint32_t IconHandle(const TrayPicture* picture) override {
        return picture == nullptr ? 0 : 7;
    }
};

class FakeHost : public TrayControlHost {
  public:
    std::shared_ptr<const TrayPicture> Picture() override { return picture; }
    void SetTimer1Interval(int milliseconds) override { intervals.push_back(milliseconds); }
    void RaiseEvent(TrayEvent event) override { events.push_back(event); }

    std::shared_ptr<const TrayPicture> picture = std::make_shared<TestPicture>();
    std::vector<int> intervals;
    std::vector<TrayEvent> events;
};

// The tray logic over the shell's notification area, as a Windows build puts them together.
class ShellNotificationAreaTest : public ::testing::Test {
  protected:
    std::vector<ShellCall> calls;
    FakeWindow window;
    FakeHost host;
    ShellNotificationArea area{[this](DWORD message, const NotifyIconData& data) {
                                   calls.push_back({message, data});
                                   return shellTakesIt;
                               },
                               window};
    TrayIcon tray{host, area};
    BOOL shellTakesIt = 1;

    std::vector<DWORD> Messages() const {
        std::vector<DWORD> messages;
        for (const ShellCall& call : calls) {
            messages.push_back(call.message);
        }
        return messages;
    }
};

// A shell without its task bar refuses the icon: the next record adds it rather than modifying
// an icon the shell does not know, and an icon never taken is not deleted.
TEST_F(ShellNotificationAreaTest, AnIconTheShellRefusedIsAddedAgainAndNeverDeleted) {
    shellTakesIt = 0;
    tray.Show(true, "first", "Today:");
    tray.Show(true, "second", "Today:");
    EXPECT_FALSE(area.IconAdded());
    tray.Show(false, "", "");
    EXPECT_THAT(Messages(), ElementsAre(NIM_ADD, NIM_ADD));

    tray.Show(true, "third", "Today:");
    shellTakesIt = 1;
    EXPECT_TRUE(area.RestoreIcon());
    EXPECT_TRUE(area.IconAdded());
    EXPECT_EQ(calls.back().data.Text(TextField::szInfo), "third");
    tray.Show(true, "fourth", "Today:");
    tray.Show(false, "", "");
    EXPECT_THAT(Messages(),
                ElementsAre(NIM_ADD, NIM_ADD, NIM_ADD, NIM_ADD, NIM_MODIFY, NIM_DELETE));
}

TEST_F(ShellNotificationAreaTest, ShowTrueAddsThenModifiesWithTheTextsOfTheMoment) {
    tray.Show(true, std::string("first\r\n\0", 8), "Today:");
    tray.Show(true, std::string("second\0", 7), "Tomorrow:");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].message, NIM_ADD);
    EXPECT_EQ(calls[1].message, NIM_MODIFY);
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_EQ(calls[0].data.Text(TextField::szInfo), "first\r\n");
    EXPECT_EQ(calls[0].data.Text(TextField::szInfoTitle), "Today:");
    EXPECT_EQ(calls[1].data.Text(TextField::szInfo), "second");
    EXPECT_EQ(calls[1].data.Text(TextField::szInfoTitle), "Tomorrow:");
    for (const ShellCall& call : calls) {
        const NotifyIconData& data = call.data;
        EXPECT_EQ(data.Get(Field::cbSize), 488u);
        EXPECT_EQ(data.Get(Field::hWnd), 0x5A5Au);
        EXPECT_EQ(data.Get(Field::uID), 1u);
        EXPECT_EQ(data.Get(Field::uFlags), 0x13u);
        EXPECT_EQ(data.Get(Field::uCallbackMessage), 0x200u);
        EXPECT_EQ(data.Get(Field::hIcon), 7u);
        EXPECT_EQ(data.Get(Field::dwState), 0u);
        EXPECT_EQ(data.Get(Field::dwStateMask), 0u);
        EXPECT_EQ(data.Get(Field::uTimeout), 0u);
        EXPECT_EQ(data.Get(Field::dwInfoFlags), 0u);
        EXPECT_EQ(std::string(data.Bytes().begin() + 24, data.Bytes().begin() + 152),
                  std::string(128, ' '));
    }
    EXPECT_EQ(area.IconData().Bytes(), calls[1].data.Bytes());
}

TEST_F(ShellNotificationAreaTest, ShowFalseDeletesOnlyAShownIconWithTheLastRecord) {
    tray.Show(false, "", "");
    EXPECT_TRUE(calls.empty());

    tray.Show(true, "text", "title");
    tray.Show(false, "ignored", "ignored");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].message, NIM_DELETE);
    EXPECT_EQ(calls[1].data.Bytes(), calls[0].data.Bytes());
    EXPECT_FALSE(tray.IsVisible());

    tray.Show(false, "", "");
    tray.Show(true, "again", "title");
    EXPECT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[2].message, NIM_ADD);
}

TEST_F(ShellNotificationAreaTest, EmptyTipSendsASingleNulAndABlankTitle) {
    host.picture = nullptr;
    tray.Show(true, "", "Today:");
    const auto& bytes = calls.at(0).data.Bytes();
    EXPECT_EQ(bytes[160], 0);
    EXPECT_EQ(std::string(bytes.begin() + 161, bytes.begin() + 416), std::string(255, ' '));
    EXPECT_EQ(std::string(bytes.begin() + 420, bytes.begin() + 484), std::string(64, ' '));
    EXPECT_EQ(calls[0].data.Get(Field::hIcon), 0u);
    EXPECT_EQ(calls[0].data.Get(Field::uFlags), 0x13u);
}

// A normal day is longer than the record's 256 bytes: the shell gets as much as fits, and the
// ellipsis says that more exists.
TEST_F(ShellNotificationAreaTest, ADayLongerThanTheRecordEndsWithAnEllipsis) {
    std::string day;
    for (int i = 0; i < 10; ++i) {
        day += " [09:00 - 10:00] R\u00fcckblick " + std::to_string(i) + " (B\u00fcro)\r\n";
    }
    tray.Show(true, day + '\0', "Today:");
    const std::string shown = calls.at(0).data.Text(TextField::szInfo);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_LE(shown.size(), 255u);
    EXPECT_EQ(shown.substr(shown.size() - 3), "\xE2\x80\xA6");
    EXPECT_EQ(day.substr(0, shown.size() - 3), shown.substr(0, shown.size() - 3));
}

TEST_F(ShellNotificationAreaTest, EachRecognisedMessageRaisesItsEventAndLocks) {
    tray.Show(true, "text", "title");
    const std::vector<std::pair<double, TrayEvent>> cases = {
        {512, TrayEvent::MouseOver},    {513, TrayEvent::LeftClick},
        {516, TrayEvent::RightClick},   {512.4, TrayEvent::MouseOver},
        {516.5, TrayEvent::RightClick}, {515.6, TrayEvent::RightClick}};
    for (const auto& [x, event] : cases) {
        host.events.clear();
        host.intervals.clear();
        area.OnIconMessage(x);
        EXPECT_THAT(host.events, ElementsAre(event)) << "x = " << x;
        EXPECT_THAT(host.intervals, ElementsAre(15)) << "x = " << x;
        EXPECT_TRUE(tray.EventLock());
        tray.OnTimer1();
        EXPECT_THAT(host.intervals, ElementsAre(15, 0));
        EXPECT_FALSE(tray.EventLock());
    }
}

TEST_F(ShellNotificationAreaTest, OtherMessagesAndRealMouseMovesRaiseNothing) {
    tray.Show(true, "text", "title");
    const double nothing[] = {
        0,    35.9,         514,    515,  517,          518,
        519,  511.4,        516.51, -513, std::nan(""), std::numeric_limits<double>::infinity(),
        1e30, 513 + 65536.0};
    for (const double x : nothing) {
        area.OnIconMessage(x);
        EXPECT_EQ(DecodeIconMessage(x), std::nullopt) << "x = " << x;
    }
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(host.intervals.empty());
    EXPECT_FALSE(tray.EventLock());
}

TEST_F(ShellNotificationAreaTest, ARemovedIconReportsNothing) {
    area.OnIconMessage(513);  // never added
    tray.Show(true, "text", "title");
    tray.Show(false, "", "");
    area.OnIconMessage(513);
    EXPECT_TRUE(host.events.empty());
}

}  // namespace
}  // namespace agendix::controls
