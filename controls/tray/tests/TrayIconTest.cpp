#include "controls/tray/core/TrayIcon.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace agendix::controls {
namespace {

using ::testing::ElementsAre;

class TestPicture : public TrayPicture {};

// One call to the notification area, with copies of what it carried.
struct AreaCall {
    std::string what;  // "add", "modify" or "remove"
    const TrayPicture* picture = nullptr;
    std::string toolTip;
    std::string title;
    std::string text;
};

class RecordingArea : public NotificationArea {
  public:
    bool AddIcon(const TrayIconContent& content, TrayIconEvents& iconEvents) override {
        events = &iconEvents;
        calls.push_back(Record("add", content));
        return false;  // the tray never looks at the answer
    }
    bool ModifyIcon(const TrayIconContent& content) override {
        calls.push_back(Record("modify", content));
        return false;
    }
    bool RemoveIcon() override {
        calls.push_back({"remove", nullptr, {}, {}, {}});
        return false;
    }

    std::vector<AreaCall> calls;
    TrayIconEvents* events = nullptr;

  private:
    static AreaCall Record(const char* what, const TrayIconContent& content) {
        return {what, content.picture, std::string(content.toolTip),
                std::string(content.balloonTitle), std::string(content.balloonText)};
    }
};

class FakeHost : public TrayControlHost {
  public:
    std::shared_ptr<const TrayPicture> Picture() override { return picture; }
    void SetTimer1Interval(int milliseconds) override { intervals.push_back(milliseconds); }
    void RaiseEvent(TrayEvent event) override {
        events.push_back(event);
        if (onEvent) {
            onEvent(event);
        }
    }

    std::shared_ptr<const TrayPicture> picture = std::make_shared<TestPicture>();
    std::vector<int> intervals;
    std::vector<TrayEvent> events;
    std::function<void(TrayEvent)> onEvent;
};

class TrayIconTest : public ::testing::Test {
  protected:
    FakeHost host;
    RecordingArea area;
    TrayIcon tray{host, area};

    // The icon's events as the notification area reports them.
    void Report(TrayEvent event) {
        ASSERT_NE(area.events, nullptr);
        area.events->OnTrayEvent(event);
    }
};

TEST_F(TrayIconTest, ShowTrueAddsThenModifiesWithTheWholeTextsOfTheMoment) {
    const std::string longDay(600, 'x');
    tray.Show(true, std::string("first\r\n\0", 8), "Today:");
    tray.Show(true, longDay + std::string("\0after", 6), "Tomorrow:");
    ASSERT_EQ(area.calls.size(), 2u);
    EXPECT_EQ(area.calls[0].what, "add");
    EXPECT_EQ(area.calls[1].what, "modify");
    EXPECT_TRUE(tray.IsVisible());
    EXPECT_EQ(area.calls[0].text, "first\r\n");  // up to the NUL, which the area never sees
    EXPECT_EQ(area.calls[0].title, "Today:");
    EXPECT_EQ(area.calls[1].text, longDay);  // no cut here: the platform decides
    EXPECT_EQ(area.calls[1].title, "Tomorrow:");
    for (const AreaCall& call : area.calls) {
        EXPECT_EQ(call.picture, host.picture.get());
        EXPECT_EQ(call.toolTip, "");
    }
}

TEST_F(TrayIconTest, ShowFalseRemovesOnlyAShownIcon) {
    tray.Show(false, "", "");
    EXPECT_TRUE(area.calls.empty());

    tray.Show(true, "text", "title");
    tray.Show(false, "ignored", "ignored");
    ASSERT_EQ(area.calls.size(), 2u);
    EXPECT_EQ(area.calls[1].what, "remove");
    EXPECT_FALSE(tray.IsVisible());

    tray.Show(false, "", "");
    tray.Show(true, "again", "title");
    ASSERT_EQ(area.calls.size(), 3u);
    EXPECT_EQ(area.calls[2].what, "add");
}

TEST_F(TrayIconTest, EmptyTipShowsNoBalloonAndNoTitle) {
    host.picture = nullptr;
    tray.Show(true, "", "Today:");
    tray.Show(true, std::string("\0", 1), "Today:");
    ASSERT_EQ(area.calls.size(), 2u);
    for (const AreaCall& call : area.calls) {
        EXPECT_EQ(call.text, "");
        EXPECT_EQ(call.title, "");
        EXPECT_EQ(call.picture, nullptr);
    }
}

TEST_F(TrayIconTest, AControlThatGoesTakesItsIconAlong) {
    {
        TrayIcon shown(host, area);
        shown.Show(true, "text", "title");
        TrayIcon hidden(host, area);
    }
    ASSERT_EQ(area.calls.size(), 2u);
    EXPECT_EQ(area.calls[1].what, "remove");
}

TEST_F(TrayIconTest, EachEventIsRaisedAndLocksUntilTheTick) {
    tray.Show(true, "text", "title");
    for (const TrayEvent event :
         {TrayEvent::MouseOver, TrayEvent::LeftClick, TrayEvent::RightClick}) {
        host.events.clear();
        host.intervals.clear();
        Report(event);
        EXPECT_THAT(host.events, ElementsAre(event));
        EXPECT_THAT(host.intervals, ElementsAre(15));
        EXPECT_TRUE(tray.EventLock());
        tray.OnTimer1();
        EXPECT_THAT(host.intervals, ElementsAre(15, 0));
        EXPECT_FALSE(tray.EventLock());
    }
}

TEST_F(TrayIconTest, LockDropsEventsUntilTheTick) {
    tray.Show(true, "text", "title");
    host.onEvent = [this](TrayEvent) { Report(TrayEvent::RightClick); };  // arrives mid-handler
    Report(TrayEvent::LeftClick);
    host.onEvent = nullptr;
    Report(TrayEvent::MouseOver);  // after the handler, before the tick
    EXPECT_THAT(host.events, ElementsAre(TrayEvent::LeftClick));
    tray.OnTimer1();
    EXPECT_THAT(host.events, ElementsAre(TrayEvent::LeftClick));  // nothing was queued
    Report(TrayEvent::RightClick);
    EXPECT_THAT(host.events, ElementsAre(TrayEvent::LeftClick, TrayEvent::RightClick));
}

TEST_F(TrayIconTest, FailingHandlerStillFreesTheLockAtTheTick) {
    tray.Show(true, "text", "title");
    host.onEvent = [](TrayEvent) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(Report(TrayEvent::LeftClick), std::runtime_error);
    EXPECT_THAT(host.intervals, ElementsAre(15));
    tray.OnTimer1();
    host.onEvent = nullptr;
    Report(TrayEvent::RightClick);
    EXPECT_EQ(host.events.back(), TrayEvent::RightClick);
}

}  // namespace
}  // namespace agendix::controls
