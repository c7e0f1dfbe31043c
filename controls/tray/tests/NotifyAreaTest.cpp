#include <gtest/gtest.h>
#include <QSignalSpy>

#include "LinuxNotifyArea.h"
#include "NotificationBalloon.h"
#include "TestApplication.h"

namespace agendix::controls {
namespace {

TEST(NotificationMarkup, SpecialCharactersShowAsWritten) {
    EXPECT_EQ(EscapeNotificationMarkup("R&D <sync> a>b &amp;"),
              "R&amp;D &lt;sync&gt; a&gt;b &amp;amp;");
    EXPECT_EQ(EscapeNotificationMarkup(QString::fromUtf8("B\u00fcro \"x\" 'y'")),
              QString::fromUtf8("B\u00fcro \"x\" 'y'"));
}

TEST(NotificationBalloon, WithoutABusTheBalloonGoesElsewhere) {
    testing::TestApplication();
    NotificationBalloon balloon(QDBusConnection(QStringLiteral("agendix-not-connected")));
    QSignalSpy unavailable(&balloon, &NotificationBalloon::ServiceUnavailable);
    balloon.Show("Today:", "text");
    balloon.Close();  // nothing shown: nothing to close
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_EQ(unavailable[0][0].toString(), "Today:");
    EXPECT_EQ(unavailable[0][1].toString(), "text");
}

TEST(LinuxNotifyArea, RefusesToChangeOrRemoveAnIconThatIsNotThere) {
    testing::TestApplication();
    ShellHandles handles;
    LinuxNotifyArea area(handles);
    tray::NotifyIconData data;
    data.Set(tray::NotifyIconData::Field::uID, 1);
    data.Set(tray::NotifyIconData::Field::uFlags, tray::NIF_ICON);
    EXPECT_FALSE(area.Shell_NotifyIconA(tray::NIM_MODIFY, data));
    EXPECT_FALSE(area.Shell_NotifyIconA(tray::NIM_DELETE, data));
    EXPECT_FALSE(area.Shell_NotifyIconA(7, data));
    EXPECT_TRUE(area.Shell_NotifyIconA(tray::NIM_ADD, data));
    EXPECT_TRUE(area.Shell_NotifyIconA(tray::NIM_MODIFY, data));
    EXPECT_TRUE(area.Shell_NotifyIconA(tray::NIM_DELETE, data));
    EXPECT_FALSE(area.Shell_NotifyIconA(tray::NIM_DELETE, data));
}

}  // namespace
}  // namespace agendix::controls
