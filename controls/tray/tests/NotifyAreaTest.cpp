#include <gtest/gtest.h>
#include <QSignalSpy>

#include "controls/host/tests/TestApplication.h"
#include "controls/tray/linux/LinuxNotifyArea.h"
#include "controls/tray/linux/NotificationBalloon.h"

namespace agendix::controls {
namespace {

const NotificationSender kAgendix{"Agendix", "agendix", "agendix"};

TEST(NotificationMarkup, SpecialCharactersShowAsWritten) {
    EXPECT_EQ(EscapeNotificationMarkup("R&D <sync> a>b &amp;"),
              "R&amp;D &lt;sync&gt; a&gt;b &amp;amp;");
    EXPECT_EQ(EscapeNotificationMarkup(QString::fromUtf8("B\u00fcro \"x\" 'y'")),
              QString::fromUtf8("B\u00fcro \"x\" 'y'"));
}

// Notification services show the program's name and find its icon and settings by the desktop
// entry and icon name.
TEST(NotificationBalloon, NotifyCallCarriesTheSendersNamesAndTheEscapedText) {
    const QDBusMessage message = NotifyMessage(kAgendix, 7, "Today:", "R&D <sync>");
    EXPECT_EQ(message.service(), "org.freedesktop.Notifications");
    EXPECT_EQ(message.member(), "Notify");
    const QVariantList arguments = message.arguments();
    ASSERT_EQ(arguments.size(), 8);
    EXPECT_EQ(arguments[0].toString(), "Agendix");
    EXPECT_EQ(arguments[1].value<quint32>(), 7u);
    EXPECT_EQ(arguments[2].toString(), "agendix");
    EXPECT_EQ(arguments[3].toString(), "Today:");
    EXPECT_EQ(arguments[4].toString(), "R&amp;D &lt;sync&gt;");
    EXPECT_EQ(arguments[6].toMap(), (QVariantMap{{"desktop-entry", "agendix"}}));
}

TEST(NotificationBalloon, WithoutABusTheBalloonGoesElsewhere) {
    testing::TestApplication();
    NotificationBalloon balloon(QDBusConnection(QStringLiteral("agendix-not-connected")), kAgendix);
    QSignalSpy unavailable(&balloon, &NotificationBalloon::ServiceUnavailable);
    balloon.Show("Today:", "text");
    balloon.Close();  // nothing shown: nothing to close
    ASSERT_EQ(unavailable.count(), 1);
    EXPECT_EQ(unavailable[0][0].toString(), "Today:");
    EXPECT_EQ(unavailable[0][1].toString(), "text");
}

class NoEvents : public controls::TrayIconEvents {
  public:
    void OnTrayEvent(controls::TrayEvent) override {}
};

TEST(LinuxNotifyArea, RefusesToChangeOrRemoveAnIconThatIsNotThere) {
    testing::TestApplication();
    LinuxNotifyArea area(kAgendix);
    NoEvents events;
    const controls::TrayIconContent content;
    EXPECT_FALSE(area.ModifyIcon(content));
    EXPECT_FALSE(area.RemoveIcon());
    EXPECT_TRUE(area.AddIcon(content, events));
    EXPECT_TRUE(area.ModifyIcon(content));
    EXPECT_TRUE(area.RemoveIcon());
    EXPECT_FALSE(area.RemoveIcon());
    EXPECT_FALSE(area.ModifyIcon(content));
}

}  // namespace
}  // namespace agendix::controls
