#include "controls/tray/core/TrayIcon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace agendix::controls {
namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;
using ::testing::ElementsAre;

struct ShellCall {
    std::uint32_t message;
    NotifyIconData data;
};

class RecordingShell : public ShellNotifyIcon {
  public:
    bool Shell_NotifyIconA(std::uint32_t dwMessage, const NotifyIconData& data) override {
        calls.push_back({dwMessage, data});
        return false;  // the tray never looks at the answer
    }
    std::vector<ShellCall> calls;
};

class FakeHost : public TrayControlHost {
  public:
    std::uint32_t WindowHandle() override { return 0x5A5A; }
    std::uint32_t IconHandle() override { return iconHandle; }
    void SetTimer1Interval(int milliseconds) override { intervals.push_back(milliseconds); }
    void RaiseEvent(TrayEvent event) override {
        events.push_back(event);
        if (onEvent) {
            onEvent(event);
        }
    }

    std::uint32_t iconHandle = 7;
    std::vector<int> intervals;
    std::vector<TrayEvent> events;
    std::function<void(TrayEvent)> onEvent;
};

class TrayIconTest : public ::testing::Test {
  protected:
    FakeHost host;
    RecordingShell shell;
    TrayIcon tray{host, shell};
};

TEST_F(TrayIconTest, ShowTrueAddsThenModifiesWithTheTextsOfTheMoment) {
    tray.Show(true, std::string("first\r\n\0", 8), "Today:");
    tray.Show(true, std::string("second\0", 7), "Tomorrow:");
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[0].message, NIM_ADD);
    EXPECT_EQ(shell.calls[1].message, NIM_MODIFY);
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_EQ(shell.calls[0].data.Text(TextField::szInfo), "first\r\n");
    EXPECT_EQ(shell.calls[0].data.Text(TextField::szInfoTitle), "Today:");
    EXPECT_EQ(shell.calls[1].data.Text(TextField::szInfo), "second");
    EXPECT_EQ(shell.calls[1].data.Text(TextField::szInfoTitle), "Tomorrow:");
    for (const ShellCall& call : shell.calls) {
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
}

TEST_F(TrayIconTest, ShowFalseDeletesOnlyAShownIconWithTheLastRecord) {
    tray.Show(false, "", "");
    EXPECT_TRUE(shell.calls.empty());

    tray.Show(true, "text", "title");
    tray.Show(false, "ignored", "ignored");
    ASSERT_EQ(shell.calls.size(), 2u);
    EXPECT_EQ(shell.calls[1].message, NIM_DELETE);
    EXPECT_EQ(shell.calls[1].data.Bytes(), shell.calls[0].data.Bytes());
    EXPECT_FALSE(tray.IsVisible());

    tray.Show(false, "", "");
    tray.Show(true, "again", "title");
    EXPECT_EQ(shell.calls.size(), 3u);
    EXPECT_EQ(shell.calls[2].message, NIM_ADD);
}

TEST_F(TrayIconTest, EmptyTipSendsASingleNulAndABlankTitle) {
    host.iconHandle = 0;
    tray.Show(true, "", "Today:");
    const auto& bytes = shell.calls.at(0).data.Bytes();
    EXPECT_EQ(bytes[160], 0);
    EXPECT_EQ(std::string(bytes.begin() + 161, bytes.begin() + 416), std::string(255, ' '));
    EXPECT_EQ(std::string(bytes.begin() + 420, bytes.begin() + 484), std::string(64, ' '));
    EXPECT_EQ(shell.calls[0].data.Get(Field::hIcon), 0u);
    EXPECT_EQ(shell.calls[0].data.Get(Field::uFlags), 0x13u);
}

TEST_F(TrayIconTest, EachRecognisedMessageRaisesItsEventAndLocks) {
    const std::vector<std::pair<double, TrayEvent>> cases = {
        {512, TrayEvent::MouseOver},    {513, TrayEvent::LeftClick},
        {516, TrayEvent::RightClick},   {512.4, TrayEvent::MouseOver},
        {516.5, TrayEvent::RightClick}, {515.6, TrayEvent::RightClick}};
    for (const auto& [x, event] : cases) {
        host.events.clear();
        host.intervals.clear();
        tray.OnIconMessage(x);
        EXPECT_THAT(host.events, ElementsAre(event)) << "x = " << x;
        EXPECT_THAT(host.intervals, ElementsAre(15)) << "x = " << x;
        EXPECT_TRUE(tray.EventLock());
        tray.OnTimer1();
        EXPECT_THAT(host.intervals, ElementsAre(15, 0));
        EXPECT_FALSE(tray.EventLock());
    }
}

TEST_F(TrayIconTest, OtherMessagesAndRealMouseMovesRaiseNothing) {
    const double nothing[] = {
        0,    35.9,         514,    515,  517,          518,
        519,  511.4,        516.51, -513, std::nan(""), std::numeric_limits<double>::infinity(),
        1e30, 513 + 65536.0};
    for (const double x : nothing) {
        tray.OnIconMessage(x);
    }
    EXPECT_TRUE(host.events.empty());
    EXPECT_TRUE(host.intervals.empty());
    EXPECT_FALSE(tray.EventLock());
}

TEST_F(TrayIconTest, LockDropsEventsUntilTheTick) {
    host.onEvent = [this](TrayEvent) { tray.OnIconMessage(516); };  // arrives mid-handler
    tray.OnIconMessage(513);
    host.onEvent = nullptr;
    tray.OnIconMessage(512);  // after the handler, before the tick
    EXPECT_THAT(host.events, ElementsAre(TrayEvent::LeftClick));
    tray.OnTimer1();
    EXPECT_THAT(host.events, ElementsAre(TrayEvent::LeftClick));  // nothing was queued
    tray.OnIconMessage(516);
    EXPECT_THAT(host.events, ElementsAre(TrayEvent::LeftClick, TrayEvent::RightClick));
}

TEST_F(TrayIconTest, FailingHandlerStillFreesTheLockAtTheTick) {
    host.onEvent = [](TrayEvent) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(tray.OnIconMessage(513), std::runtime_error);
    EXPECT_THAT(host.intervals, ElementsAre(15));
    tray.OnTimer1();
    host.onEvent = nullptr;
    tray.OnIconMessage(516);
    EXPECT_EQ(host.events.back(), TrayEvent::RightClick);
}

}  // namespace
}  // namespace agendix::controls
