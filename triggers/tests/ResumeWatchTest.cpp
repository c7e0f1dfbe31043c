#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include "triggers/linux/ResumeWatch.h"
#include "triggers/tests/TriggersTestSupport.h"

namespace agendix::triggers {
namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");

// Counts a D-Bus signal that marks how far a connection has read.
class Marker : public QObject {
    Q_OBJECT

  public:
    int seen = 0;

  public slots:
    void Seen() { ++seen; }
};

// A D-Bus daemon of the test's own, standing for the system bus.
class ResumeWatchTest : public testing::WatchTest {
  protected:
    void SetUp() override {
        daemon_.start(QStringLiteral(DBUS_DAEMON),
                      {QStringLiteral("--session"), QStringLiteral("--nofork"),
                       QStringLiteral("--print-address")});
        ASSERT_TRUE(daemon_.waitForReadyRead(10000)) << "no D-Bus daemon";
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    void TearDown() override {
        for (const QString& name : connections_) {
            QDBusConnection::disconnectFromBus(name);
        }
        daemon_.terminate();
        daemon_.waitForFinished();
    }

    QDBusConnection Connect(const QString& name) {
        connections_.append(name);
        QDBusConnection connection = QDBusConnection::connectToBus(address_, name);
        EXPECT_TRUE(connection.isConnected()) << address_.toStdString();
        return connection;
    }
    static void SendSignal(QDBusConnection& from, const QString& path, const QString& interface,
                           const QString& name, const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createSignal(path, interface, name);
        message.setArguments(arguments);
        ASSERT_TRUE(from.send(message));
    }
    static void PrepareForSleep(QDBusConnection& from, bool sleeping) {
        SendSignal(from, QStringLiteral("/org/freedesktop/login1"),
                   QStringLiteral("org.freedesktop.login1.Manager"),
                   QStringLiteral("PrepareForSleep"), {sleeping});
    }

  private:
    QProcess daemon_;
    QString address_;
    QStringList connections_;
};

// Only logind is heard: a marker sent by an impostor after its PrepareForSleep shows that the
// impostor's signal has come as far as the watch. Signals from one sender arrive in order, so
// when logind's wake-up is reported its going-to-sleep signal has been handled already.
TEST_F(ResumeWatchTest, LogindWakingUpIsOneChange) {
    QDBusConnection logind = Connect(QStringLiteral("logind"));
    ASSERT_TRUE(logind.registerService(kLogind));
    QDBusConnection agendix = Connect(QStringLiteral("agendix"));
    ResumeWatch watch(agendix);
    QSignalSpy changes(&watch, &ResumeWatch::Changed);
    Marker marker;
    ASSERT_TRUE(agendix.connect({}, QStringLiteral("/marker"), QStringLiteral("test.Marker"),
                                QStringLiteral("Done"), &marker, SLOT(Seen())));

    QDBusConnection impostor = Connect(QStringLiteral("impostor"));
    PrepareForSleep(impostor, false);
    SendSignal(impostor, QStringLiteral("/marker"), QStringLiteral("test.Marker"),
               QStringLiteral("Done"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return marker.seen == 1; }, 5000));
    EXPECT_TRUE(changes.isEmpty()) << "an impostor was heard";

    PrepareForSleep(logind, true);
    PrepareForSleep(logind, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }, 5000));
    EXPECT_EQ(changes.count(), 1);
    EXPECT_EQ(changes.first().at(0).toString(), "the computer woke from sleep");
}

}  // namespace
}  // namespace agendix::triggers

#include "ResumeWatchTest.moc"
