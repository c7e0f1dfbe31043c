#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDate>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSslKey>
#include <QSslServer>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <iostream>
#include <map>

#include "scan/linux/IcalCalendar.h"
#include "scan/linux/SecretService.h"
#include "scan/qt/CalDavCalendar.h"
#include "scan/qt/CalDavXml.h"
#include "scan/tests/CalDavServer.h"
#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

CalendarDate ToDate(const QDate& date) {
    return {date.year(), date.month(), date.day()};
}

std::string Day(const QDate& date) {
    return date.toString(QStringLiteral("yyyyMMdd")).toStdString();
}

// A daily series with today's occurrence moved and tomorrow's cancelled, a single event
// tomorrow, and one a month away (outside the days fetched).
struct Events {
    explicit Events(const QDate& today) {
        const QDate tomorrow = today.addDays(1);
        series = "BEGIN:VEVENT\nUID:standup\nDTSTAMP:20260101T000000Z\nDTSTART:" +
                 Day(today.addDays(-3)) + "T080000Z\nDTEND:" + Day(today.addDays(-3)) +
                 "T081500Z\nRRULE:FREQ=DAILY;COUNT=20\nSUMMARY:Stand-up\nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:standup\nDTSTAMP:20260101T000000Z\nRECURRENCE-ID:" +
                 Day(today) + "T080000Z\nDTSTART:" + Day(today) + "T130000Z\nDTEND:" + Day(today) +
                 "T131500Z\nSUMMARY:Stand-up (moved)\nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:standup\nDTSTAMP:20260101T000000Z\nRECURRENCE-ID:" +
                 Day(tomorrow) + "T080000Z\nDTSTART:" + Day(tomorrow) +
                 "T080000Z\nDTEND:" + Day(tomorrow) +
                 "T081500Z\nSTATUS:CANCELLED\nSUMMARY:Stand-up\nEND:VEVENT\n";
        lunch = Single("lunch", tomorrow, "Lunch", "Canteen");
        far = Single("far", today.addDays(30), "Far away", "");
    }
    static std::string Single(const std::string& uid, const QDate& day, const std::string& summary,
                              const std::string& location) {
        return "BEGIN:VEVENT\nUID:" + uid + "\nDTSTAMP:20260101T000000Z\nDTSTART:" + Day(day) +
               "T110000Z\nDTEND:" + Day(day) + "T120000Z\nSUMMARY:" + summary + "\n" +
               (location.empty() ? "" : "LOCATION:" + location + "\n") + "END:VEVENT\n";
    }
    std::string series;
    std::string lunch;
    std::string far;
};

QByteArray Resource(const std::string& events) {
    return QByteArray::fromStdString(Calendar(events));
}

// The message a scan of `agenda` fails with; empty when it does not fail.
std::string ScanFailure(Agenda& agenda, const QDate& day) {
    try {
        agenda.Scan(ToDate(day));
    } catch (const CalendarError& failure) {
        return failure.what();
    }
    return {};
}

class CalDavTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!RadicaleServer::Installed()) {
            GTEST_SKIP() << "radicale is not installed (scripts/packages/caldav.txt)";
        }
    }

    // Starts `server` with the calendar /u/work/ holding the three events.
    void StartWithEvents(RadicaleServer& server, const QString& user = QStringLiteral("u"),
                         const QString& password = QStringLiteral("x")) {
        QString error;
        ASSERT_TRUE(server.Start(error)) << error.toStdString();
        const QString home = QStringLiteral("/") + user + QStringLiteral("/");
        ASSERT_EQ(server.MakeCalendar(home + QStringLiteral("work/"), user, password), 201);
        ASSERT_EQ(server.Put(home + QStringLiteral("work/standup.ics"), Resource(events_.series),
                             user, password),
                  201);
        ASSERT_EQ(server.Put(home + QStringLiteral("work/lunch.ics"), Resource(events_.lunch), user,
                             password),
                  201);
        ASSERT_EQ(server.Put(home + QStringLiteral("work/far.ics"), Resource(events_.far), user,
                             password),
                  201);
    }

    // A calendar without a password store unless `secretService`.
    CalDavOptions Options(const QUrl& url, bool secretService = false) {
        return {.url = url.toString().toStdString(),
                .cacheFolder = fs::path(cache_.path().toStdString()),
                .openFolder =
                    [](const fs::path& folder) {
                        return MakeIcalCalendar({folder, true});
                    },
                .passwords = secretService ? PasswordLookup(LookupSecretServicePassword) : nullptr,
                .changed = [this] { ++changes_; }};
    }

    // A calendar whose scans go through an Agenda; `calendar` stays usable for checks.
    Agenda Open(const CalDavOptions& options, CalDavCalendar*& calendar) {
        auto made = MakeCalDavCalendar(options);
        calendar = made.get();
        return Agenda(std::move(made));
    }

    // Runs the event loop until the check under way (or about to start) is over.
    static void Settle(CalDavCalendar& calendar) {
        QCoreApplication::processEvents();
        const QDeadlineTimer deadline(60000);
        while (calendar.Checking() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        }
        ASSERT_FALSE(calendar.Checking()) << "the check did not end";
    }
    static void Check(CalDavCalendar& calendar) {
        calendar.CheckNow();
        Settle(calendar);
    }

    // What the file source makes of the same events.
    Balloon FromFile(const std::string& events) const {
        TemporaryCalendar file;
        file.Write(Calendar(events));
        Agenda agenda(file.File());
        return agenda.Scan(ToDate(today_));
    }

    size_t CachedFiles() const {
        size_t count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(cache_.path().toStdString())) {
            count += entry.path().extension() == ".ics";
        }
        return count;
    }

    int argc_ = 1;
    char name_[16] = "caldav_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication app_{argc_, argv_};
    ScopedTimeZone zone_{"Europe/Berlin"};
    QDate today_ = QDate::currentDate();
    Events events_{today_};
    QTemporaryDir cache_;
    int changes_ = 0;
};

TEST_F(CalDavTest, ACalendarUrlGivesTheSeriesAsTheFileSourceDoesAndOnlyTheDaysAround) {
    RadicaleServer server;
    StartWithEvents(server);
    CalDavCalendar* calendar = nullptr;
    Agenda agenda =
        Open(Options(server.Url(QStringLiteral("/u/work/"), QStringLiteral("u"))), calendar);
    Settle(*calendar);
    EXPECT_EQ(changes_, 1);

    const Balloon balloon = agenda.Scan(ToDate(today_));
    EXPECT_THAT(agenda.ReadProblems(), IsEmpty());
    EXPECT_THAT(balloon.text, AllOf(HasSubstr("Stand-up (moved)"), HasSubstr("Lunch")));
    EXPECT_EQ(balloon.text, FromFile(events_.series + events_.lunch + events_.far).text);
    EXPECT_EQ(CachedFiles(), 2u) << "the event a month away is not fetched";
}

TEST_F(CalDavTest, AnUnchangedCalendarCostsOneSmallRequestAndChangesShowAfterTheNextCheck) {
    RadicaleServer server;
    StartWithEvents(server);
    CalDavCalendar* calendar = nullptr;
    Agenda agenda =
        Open(Options(server.Url(QStringLiteral("/u/work/"), QStringLiteral("u"))), calendar);
    Settle(*calendar);
    agenda.Scan(ToDate(today_));

    const CalDavTraffic before = calendar->Traffic();
    const int loggedBefore = server.LoggedRequests();
    Check(*calendar);
    const CalDavTraffic after = calendar->Traffic();
    EXPECT_EQ(after.requests - before.requests, 1);
    EXPECT_EQ(after.fetches, before.fetches);
    EXPECT_LT(after.bytesReceived - before.bytesReceived, 1000);
    EXPECT_EQ(server.LoggedRequests() - loggedBefore, 1) << "as the server counts them";
    EXPECT_EQ(changes_, 1) << "nothing new: no scan is asked for";
    std::cout << "unchanged check: " << after.requests - before.requests << " request, "
              << after.bytesReceived - before.bytesReceived << " bytes received\n";

    // Moved on the server: the lunch is now on today, the series' override gone.
    ASSERT_EQ(server.Put(QStringLiteral("/u/work/lunch.ics"),
                         Resource(Events::Single("lunch", today_, "Long lunch", "Garden"))),
              201);
    ASSERT_EQ(server.Send("DELETE", QStringLiteral("/u/work/standup.ics"), {}), 200);
    Check(*calendar);
    EXPECT_EQ(changes_, 2);
    const Balloon changed = agenda.Scan(ToDate(today_));
    EXPECT_THAT(changed.text, AllOf(HasSubstr("Long lunch"), Not(HasSubstr("Stand-up"))));
    EXPECT_EQ(changed.text, FromFile(Events::Single("lunch", today_, "Long lunch", "Garden")).text);
    EXPECT_EQ(CachedFiles(), 1u) << "the deleted resource's file is gone";
}

TEST_F(CalDavTest, AnUnreachableServerLeavesTheLastSnapshotMarkedStaleAlsoAfterARestart) {
    RadicaleServer server;
    StartWithEvents(server);
    const CalDavOptions options =
        Options(server.Url(QStringLiteral("/u/work/"), QStringLiteral("u")));
    Balloon good;
    {
        CalDavCalendar* calendar = nullptr;
        Agenda agenda = Open(options, calendar);
        Settle(*calendar);
        good = agenda.Scan(ToDate(today_));
        server.Stop();
        Check(*calendar);
        EXPECT_EQ(changes_, 2) << "the error is news";
        EXPECT_EQ(agenda.Scan(ToDate(today_)).text, good.text);
        ASSERT_EQ(agenda.ReadProblems().size(), 1u);
        EXPECT_THAT(agenda.ReadProblems()[0],
                    AllOf(HasSubstr("CalDAV calendar http://u@127.0.0.1"), HasSubstr("/u/work/"),
                          HasSubstr("cannot reach the server"), HasSubstr("may be out of date")));
    }
    // A new start while the server is still away shows what the cache folder kept.
    CalDavCalendar* calendar = nullptr;
    Agenda agenda = Open(options, calendar);
    EXPECT_EQ(agenda.Scan(ToDate(today_)).text, good.text);
    EXPECT_THAT(agenda.ReadProblems(), IsEmpty()) << "not known to be stale before the check";
    Settle(*calendar);
    agenda.Scan(ToDate(today_));
    EXPECT_THAT(agenda.ReadProblems(), ::testing::ElementsAre(HasSubstr("may be out of date")));
}

// MKCALENDAR body naming the calendar and the components it holds.
QByteArray CalendarProperties(const char* name, const char* component) {
    return QByteArrayLiteral(
               "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<C:mkcalendar xmlns:D=\"DAV:\" "
               "xmlns:C=\"urn:ietf:params:xml:ns:caldav\"><D:set><D:prop><D:displayname>") +
           name + "</D:displayname><C:supported-calendar-component-set><C:comp name=\"" +
           component + "\"/></C:supported-calendar-component-set></D:prop></D:set></C:mkcalendar>";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

TEST_F(CalDavTest, AHomeIsReadWholeEachCalendarCheckedAndKeptApartAndACollectionAlone) {
    RadicaleServer server;
    StartWithEvents(server);
    // A second calendar of events holding the same lunch invitation, and a task list.
    ASSERT_EQ(
        server.Send("MKCALENDAR", QStringLiteral("/u/home/"), CalendarProperties("Home", "VEVENT")),
        201);
    ASSERT_EQ(server.Put(QStringLiteral("/u/home/dentist.ics"),
                         Resource(Events::Single("dentist", today_, "Dentist", ""))),
              201);
    ASSERT_EQ(server.Put(QStringLiteral("/u/home/lunch.ics"), Resource(events_.lunch)), 201);
    ASSERT_EQ(server.Send("MKCALENDAR", QStringLiteral("/u/tasks/"),
                          CalendarProperties("Tasks", "VTODO")),
              201);
    const CalDavOptions options = Options(server.Url(QStringLiteral("/"), QStringLiteral("u")));
    CalDavCalendar* calendar = nullptr;
    Agenda agenda = Open(options, calendar);
    Settle(*calendar);
    const Balloon both = agenda.Scan(ToDate(today_));
    EXPECT_THAT(agenda.ReadProblems(), IsEmpty());
    EXPECT_THAT(both.text, AllOf(HasSubstr("Dentist"), HasSubstr("Stand-up (moved)")));
    EXPECT_EQ(Count(both.text, "Lunch (Canteen)"), 1u) << "held by both calendars: listed once";
    EXPECT_EQ(calendar->Traffic().fetches, 2) << "the task list is not fetched";

    // Unchanged: one request lists the home's calendars with their tags.
    const CalDavTraffic before = calendar->Traffic();
    Check(*calendar);
    EXPECT_EQ(calendar->Traffic().requests - before.requests, 1);
    EXPECT_EQ(calendar->Traffic().fetches, before.fetches);
    EXPECT_LT(calendar->Traffic().bytesReceived - before.bytesReceived, 3000);
    std::cout << "unchanged home of two calendars: 1 request, "
              << calendar->Traffic().bytesReceived - before.bytesReceived << " bytes received\n";

    // One calendar changes: only it is fetched again.
    ASSERT_EQ(server.Put(QStringLiteral("/u/home/dentist.ics"),
                         Resource(Events::Single("dentist", today_, "Dentist (moved)", ""))),
              201);
    Check(*calendar);
    EXPECT_EQ(calendar->Traffic().fetches, before.fetches + 1);
    EXPECT_THAT(agenda.Scan(ToDate(today_)).text, HasSubstr("Dentist (moved)"));

    // A new start shows the kept copies of both before asking the server.
    {
        CalDavCalendar* restarted = nullptr;
        Agenda again = Open(options, restarted);
        EXPECT_EQ(again.Scan(ToDate(today_)).text, agenda.Scan(ToDate(today_)).text);
        Settle(*restarted);
        EXPECT_EQ(restarted->Traffic().fetches, 0) << "nothing changed";
    }

    // A calendar added to the home shows at the next check; one removed goes with its copy.
    ASSERT_EQ(server.MakeCalendar(QStringLiteral("/u/team/")), 201);
    ASSERT_EQ(server.Put(QStringLiteral("/u/team/retro.ics"),
                         Resource(Events::Single("retro", today_, "Retro", ""))),
              201);
    ASSERT_EQ(server.Send("DELETE", QStringLiteral("/u/home/"), {}), 200);
    Check(*calendar);
    const Balloon changed = agenda.Scan(ToDate(today_));
    EXPECT_THAT(changed.text, AllOf(HasSubstr("Retro"), Not(HasSubstr("Dentist"))));
    EXPECT_EQ(Count(changed.text, "Lunch (Canteen)"), 1u);
    EXPECT_EQ(CachedFiles(), 3u) << "work's two resources and team's one";

    // A URL naming one collection of the home reads that one only.
    CalDavCalendar* single = nullptr;
    Agenda team =
        Open(Options(server.Url(QStringLiteral("/u/team/"), QStringLiteral("u"))), single);
    Settle(*single);
    EXPECT_THAT(team.Scan(ToDate(today_)).text,
                AllOf(HasSubstr("Retro"), Not(HasSubstr("Stand-up")), Not(HasSubstr("Lunch"))));
}

TEST_F(CalDavTest, TheServerRootLeadsToTheHomesCalendarsWithThePasswordFromTheKeyring) {
    if (!PrivateKeyring::Installed()) {
        GTEST_SKIP() << "gnome-keyring or dbus-daemon is not installed";
    }
    PrivateKeyring keyring;
    QString error;
    ASSERT_TRUE(keyring.Start(error)) << error.toStdString();
    RadicaleServer server("alice:secret\n");
    StartWithEvents(server, QStringLiteral("alice"), QStringLiteral("secret"));
    // A second calendar in the same home: both are read.
    ASSERT_EQ(server.MakeCalendar(QStringLiteral("/alice/home/"), QStringLiteral("alice"),
                                  QStringLiteral("secret")),
              201);
    ASSERT_EQ(server.Put(QStringLiteral("/alice/home/dentist.ics"),
                         Resource(Events::Single("dentist", today_, "Dentist", "")),
                         QStringLiteral("alice"), QStringLiteral("secret")),
              201);
    const QString serverKey = QStringLiteral("127.0.0.1:%1").arg(server.Port());
    ASSERT_TRUE(keyring.Store(serverKey, QStringLiteral("alice"), QStringLiteral("secret"), error))
        << error.toStdString();

    CalDavCalendar* calendar = nullptr;
    Agenda agenda =
        Open(Options(server.Url(QStringLiteral("/"), QStringLiteral("alice")), true), calendar);
    Settle(*calendar);
    const Balloon balloon = agenda.Scan(ToDate(today_));
    EXPECT_THAT(agenda.ReadProblems(), IsEmpty());
    EXPECT_THAT(balloon.text, AllOf(HasSubstr("Dentist"), HasSubstr("Stand-up (moved)")));

    // A wrong password in the keyring is named as such, for this source.
    ASSERT_TRUE(keyring.Store(QStringLiteral("127.0.0.1:%1").arg(server.Port()),
                              QStringLiteral("bob"), QStringLiteral("wrong"), error));
    CalDavCalendar* wrong = nullptr;
    Agenda refused =
        Open(Options(server.Url(QStringLiteral("/"), QStringLiteral("bob")), true), wrong);
    Settle(*wrong);
    try {
        refused.Scan(ToDate(today_));
        ADD_FAILURE() << "a refused user has no appointments to show";
    } catch (const CalendarError& failure) {
        EXPECT_THAT(failure.what(), AllOf(HasSubstr("CalDAV calendar http://bob@127.0.0.1"),
                                          HasSubstr("wrong user or password")));
    }
}

TEST_F(CalDavTest, WithoutASecretServiceTheMessageSaysHowToStoreThePassword) {
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/agendix-test-bus");
    RadicaleServer server("alice:secret\n");
    StartWithEvents(server, QStringLiteral("alice"), QStringLiteral("secret"));
    CalDavCalendar* calendar = nullptr;
    Agenda agenda =
        Open(Options(server.Url(QStringLiteral("/alice/work/"), QStringLiteral("alice")), true),
             calendar);
    Settle(*calendar);
    try {
        agenda.Scan(ToDate(today_));
        ADD_FAILURE() << "no password, no appointments";
    } catch (const CalendarError& failure) {
        EXPECT_THAT(failure.what(),
                    AllOf(HasSubstr("CalDAV calendar http://alice@127.0.0.1"),
                          HasSubstr("secret-tool store"), HasSubstr("server '127.0.0.1:"),
                          HasSubstr("user 'alice'")));
    }
}

TEST_F(CalDavTest, WhatIsNotACalendarIsNamedAsSuch) {
    RadicaleServer server;
    StartWithEvents(server);
    const struct {
        QString path;
        const char* expected;
    } cases[] = {
        {QStringLiteral("/u/nothing/"), "there is nothing at"},
        {QStringLiteral("/v/"), "holds no calendar with events"},
    };
    for (const auto& test : cases) {
        CalDavCalendar* calendar = nullptr;
        const QString user = test.path.section(QLatin1Char('/'), 1, 1);
        Agenda agenda = Open(Options(server.Url(test.path, user)), calendar);
        Settle(*calendar);
        try {
            agenda.Scan(ToDate(today_));
            ADD_FAILURE() << test.path.toStdString();
        } catch (const CalendarError& failure) {
            EXPECT_THAT(failure.what(),
                        AllOf(HasSubstr(test.path.toStdString()), HasSubstr(test.expected)));
        }
    }
    // A password is never taken from the URL, which lives in a plain file.
    CalDavCalendar* calendar = nullptr;
    Agenda agenda =
        Open(Options(QUrl(QStringLiteral("https://alice:pw@dav.example.org/"))), calendar);
    EXPECT_THAT(ScanFailure(agenda, today_),
                AllOf(HasSubstr("CalDAV calendar https://alice@dav.example.org/"),
                      HasSubstr("holds a password"), Not(HasSubstr("pw"))));
}

// A server that answers every request by redirecting it (to a new path of its own, or to
// `location`), or never answers.
class FakeServer {
  public:
    explicit FakeServer(bool answers, QTcpServer* server = nullptr, QByteArray location = {})
        : owned_(server ? nullptr : new QTcpServer), server_(server ? server : owned_.get()) {
        server_->listen(QHostAddress::LocalHost, 0);
        QObject::connect(server_, &QTcpServer::pendingConnectionAvailable, server_, [=, this] {
            while (QTcpSocket* socket = server_->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [=, this] {
                    const QByteArray data = socket->readAll();
                    if (data.contains(' ') && !socket->property("seen").toBool()) {
                        socket->setProperty("seen", true);
                        verbs_ << QString::fromLatin1(data.left(data.indexOf(' ')));
                    }
                    if (answers) {
                        socket->write("HTTP/1.1 308 Permanent Redirect\r\nLocation: " +
                                      (location.isEmpty()
                                           ? "/hop" + QByteArray::number(verbs_.size()) + "/"
                                           : location) +
                                      "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }
    QUrl Url(const char* scheme = "http", const char* host = "127.0.0.1") const {
        return QUrl(QStringLiteral("%1://%2:%3/cal/")
                        .arg(QLatin1String(scheme), QLatin1String(host))
                        .arg(server_->serverPort()));
    }
    const QStringList& Verbs() const { return verbs_; }

  private:
    std::unique_ptr<QTcpServer> owned_;
    QTcpServer* server_;
    QStringList verbs_;
};

// A throwaway certificate authority and a certificate for localhost signed by it.
struct TestCertificates {
    bool Make(QString& error) {
        const QString dir = folder.path() + QLatin1Char('/');
        QFile ext(dir + QStringLiteral("ext"));
        ext.open(QIODevice::WriteOnly);
        ext.write("subjectAltName=DNS:localhost,IP:127.0.0.1\n");
        ext.close();
        const QStringList curve = {
            QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
        const QList<QStringList> steps = {
            QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + curve +
                QStringList{QStringLiteral("-keyout"), dir + QStringLiteral("ca.key"),
                            QStringLiteral("-out"), dir + QStringLiteral("ca.pem"),
                            QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                            QStringLiteral("/CN=Agendix test CA"), QStringLiteral("-addext"),
                            QStringLiteral("basicConstraints=critical,CA:TRUE"),
                            QStringLiteral("-addext"),
                            QStringLiteral("keyUsage=critical,keyCertSign,cRLSign")},
            QStringList{QStringLiteral("req")} + curve +
                QStringList{QStringLiteral("-keyout"), dir + QStringLiteral("server.key"),
                            QStringLiteral("-out"), dir + QStringLiteral("server.csr"),
                            QStringLiteral("-subj"), QStringLiteral("/CN=localhost")},
            {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
             dir + QStringLiteral("server.csr"), QStringLiteral("-CA"),
             dir + QStringLiteral("ca.pem"), QStringLiteral("-CAkey"),
             dir + QStringLiteral("ca.key"), QStringLiteral("-CAcreateserial"),
             QStringLiteral("-out"), dir + QStringLiteral("server.pem"), QStringLiteral("-days"),
             QStringLiteral("2"), QStringLiteral("-extfile"), dir + QStringLiteral("ext")}};
        for (const QStringList& arguments : steps) {
            QProcess openssl;
            openssl.start(QStringLiteral("openssl"), arguments);
            if (!openssl.waitForFinished(30000) || openssl.exitCode() != 0) {
                error = QString::fromUtf8(openssl.readAllStandardError());
                return false;
            }
        }
        ca = QSslCertificate::fromPath(dir + QStringLiteral("ca.pem"));
        QFile key(dir + QStringLiteral("server.key"));
        key.open(QIODevice::ReadOnly);
        server.setLocalCertificate(
            QSslCertificate::fromPath(dir + QStringLiteral("server.pem")).value(0));
        server.setPrivateKey(QSslKey(key.readAll(), QSsl::Ec));
        return !ca.isEmpty() && !server.localCertificate().isNull() &&
               !server.privateKey().isNull();
    }

    QTemporaryDir folder;
    QList<QSslCertificate> ca;
    QSslConfiguration server = QSslConfiguration::defaultConfiguration();
};

// A CalDAV server that answers each "VERB path" as the test has set it (404 otherwise), one
// request per connection.
class ScriptedServer {
  public:
    ScriptedServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::pendingConnectionAvailable, &server_, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { Answer(*socket); });
            }
        });
    }
    void Set(const QByteArray& request, int status, const QByteArray& body = {}) {
        answers_[request] = {status, body};
    }
    QUrl Url(const QString& path) const {
        return QUrl(QStringLiteral("http://u@127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
    }

  private:
    void Answer(QTcpSocket& socket) {
        QByteArray received = socket.property("received").toByteArray() + socket.readAll();
        socket.setProperty("received", received);
        const qsizetype headerEnd = received.indexOf("\r\n\r\n");
        const auto length = QRegularExpression(QStringLiteral("Content-Length: *(\\d+)"),
                                               QRegularExpression::CaseInsensitiveOption)
                                .match(QString::fromLatin1(received.left(headerEnd)))
                                .captured(1)
                                .toLongLong();
        if (headerEnd < 0 || received.size() < headerEnd + 4 + length) {
            return;
        }
        const QList<QByteArray> line = received.left(received.indexOf("\r\n")).split(' ');
        const auto found = answers_.find(line.value(0) + ' ' + line.value(1));
        const auto [status, body] =
            found != answers_.end() ? found->second : std::pair<int, QByteArray>{404, {}};
        socket.write("HTTP/1.1 " + QByteArray::number(status) +
                     " Scripted\r\nContent-Type: application/xml\r\nContent-Length: " +
                     QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
        socket.disconnectFromHost();
    }

    QTcpServer server_;
    std::map<QByteArray, std::pair<int, QByteArray>> answers_;
};

// A multistatus of `responses`, each "<D:response>...</D:response>".
QByteArray Multistatus(const QByteArray& responses) {
    return "<?xml version=\"1.0\"?><D:multistatus xmlns:D=\"DAV:\" "
           "xmlns:C=\"urn:ietf:params:xml:ns:caldav\" xmlns:CS=\"http://calendarserver.org/ns/\">" +
           responses + "</D:multistatus>";
}

QByteArray CalendarEntry(const char* path, const char* name, int tag) {
    return QByteArrayLiteral("<D:response><D:href>") + path +
           "</D:href><D:propstat><D:prop><D:resourcetype><D:collection/><C:calendar/>"
           "</D:resourcetype><D:displayname>" +
           name + "</D:displayname><CS:getctag>" + QByteArray::number(tag) +
           "</CS:getctag></D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
           "</D:response>";
}

QByteArray EventsOf(const char* path, const std::string& events) {
    const QByteArray data = QString::fromUtf8(Resource(events)).toHtmlEscaped().toUtf8();
    return Multistatus(QByteArrayLiteral("<D:response><D:href>") + path +
                       "event.ics</D:href><D:propstat><D:prop><C:calendar-data>" + data +
                       "</C:calendar-data></D:prop><D:status>HTTP/1.1 200 OK</D:status>"
                       "</D:propstat></D:response>");
}

TEST_F(CalDavTest, ACalendarOfTheHomeThatFailsIsNamedWhileTheOthersShowAndKeepsItsCopy) {
    ScriptedServer server;
    server.Set("PROPFIND /", 207,
               Multistatus("<D:response><D:href>/</D:href><D:propstat><D:prop>"
                           "<C:calendar-home-set><D:href>/home/</D:href></C:calendar-home-set>"
                           "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat>"
                           "</D:response>"));
    const auto list = [&](int tag) {
        server.Set(
            "PROPFIND /home/", 207,
            Multistatus(CalendarEntry("/home/", "", 0) + CalendarEntry("/home/a/", "Work", 1) +
                        CalendarEntry("/home/b/", "Sport", tag)));
    };
    list(1);
    server.Set("REPORT /home/a/", 207,
               EventsOf("/home/a/", Events::Single("a", today_, "Review", "")));
    server.Set("REPORT /home/b/", 500);
    CalDavCalendar* calendar = nullptr;
    Agenda agenda = Open(Options(server.Url(QStringLiteral("/"))), calendar);
    Settle(*calendar);
    EXPECT_THAT(agenda.Scan(ToDate(today_)).text, HasSubstr("Review"));
    EXPECT_THAT(agenda.ReadProblems(),
                ::testing::ElementsAre(AllOf(
                    HasSubstr("\"Sport\" could not be read"),
                    HasSubstr("CalDAV calendar \"Sport\" at " +
                              server.Url(QStringLiteral("/home/b/")).toString().toStdString()),
                    HasSubstr("answered 500"))));

    // Readable again (its tag changed), then failing once more: its copy stays, marked stale.
    list(2);
    server.Set("REPORT /home/b/", 207,
               EventsOf("/home/b/", Events::Single("b", today_, "Tennis", "")));
    Check(*calendar);
    EXPECT_THAT(agenda.Scan(ToDate(today_)).text, AllOf(HasSubstr("Review"), HasSubstr("Tennis")));
    EXPECT_THAT(agenda.ReadProblems(), IsEmpty());
    list(3);
    server.Set("REPORT /home/b/", 500);
    Check(*calendar);
    EXPECT_THAT(agenda.Scan(ToDate(today_)).text, AllOf(HasSubstr("Review"), HasSubstr("Tennis")));
    EXPECT_THAT(
        agenda.ReadProblems(),
        ::testing::ElementsAre(AllOf(HasSubstr("CalDAV calendar \"Sport\""),
                                     HasSubstr("answered 500"), HasSubstr("may be out of date"))));
}

TEST_F(CalDavTest, RedirectsKeepTheVerbAndEndAfterFiveHopsAndSilenceAfterTheTimeLimit) {
    FakeServer looping(true);
    CalDavCalendar* calendar = nullptr;
    Agenda agenda = Open(Options(looping.Url()), calendar);
    Settle(*calendar);
    EXPECT_EQ(looping.Verbs(), QStringList(6, QStringLiteral("PROPFIND")));
    EXPECT_THROW(
        {
            try {
                agenda.Scan(ToDate(today_));
            } catch (const CalendarError& failure) {
                EXPECT_THAT(failure.what(), HasSubstr("more than 5 redirects"));
                throw;
            }
        },
        CalendarError);

    FakeServer silent(false);
    CalDavOptions options = Options(silent.Url());
    options.requestTimeout = std::chrono::milliseconds(300);
    CalDavCalendar* waiting = nullptr;
    Agenda unanswered = Open(options, waiting);
    EXPECT_THROW(unanswered.Scan(ToDate(today_)), CalendarNotReady) << "still being fetched";
    Settle(*waiting);
    try {
        unanswered.Scan(ToDate(today_));
        ADD_FAILURE() << "no answer, no appointments";
    } catch (const CalendarError& failure) {
        EXPECT_THAT(failure.what(), HasSubstr("did not answer PROPFIND"));
    }
}

// Measurements, not assertions about time: a cold start over 1,000 events in the days fetched
// and the check of the unchanged calendar.
TEST_F(CalDavTest, MeasureAThousandEventCalendar) {
    RadicaleServer server;
    QString error;
    ASSERT_TRUE(server.Start(error)) << error.toStdString();
    std::string events;
    for (int i = 0; i < 1000; ++i) {
        const QDateTime start = QDateTime(today_, QTime(0, 0), Qt::UTC).addSecs(i * 86);
        const auto stamp = [](const QDateTime& t) {
            return t.toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'")).toStdString();
        };
        events += "BEGIN:VEVENT\nUID:event-" + std::to_string(i) +
                  "\nDTSTAMP:20260101T000000Z\nDTSTART:" + stamp(start) +
                  "\nDTEND:" + stamp(start.addSecs(1800)) + "\nSUMMARY:Event " + std::to_string(i) +
                  "\nLOCATION:Room " + std::to_string(i % 7) + "\nEND:VEVENT\n";
    }
    // Radicale takes a whole calendar put onto a collection as one resource per UID.
    ASSERT_EQ(server.Put(QStringLiteral("/u/big/"), Resource(events)), 201);

    QElapsedTimer timer;
    timer.start();
    CalDavCalendar* calendar = nullptr;
    Agenda agenda =
        Open(Options(server.Url(QStringLiteral("/u/big/"), QStringLiteral("u"))), calendar);
    Settle(*calendar);
    const qint64 fetched = timer.elapsed();
    const Balloon balloon = agenda.Scan(ToDate(today_));
    const qint64 scanned = timer.elapsed();
    EXPECT_NE(balloon.text.find("Event 999"), std::string::npos) << "today or tomorrow";
    EXPECT_EQ(CachedFiles(), 1000u);
    const CalDavTraffic cold = calendar->Traffic();

    timer.restart();
    Check(*calendar);
    const qint64 checked = timer.elapsed();
    const CalDavTraffic warm = calendar->Traffic();
    EXPECT_EQ(warm.fetches, cold.fetches);
    // One event changed: a fetch again, with the server's own caches warm.
    ASSERT_EQ(server.Put(QStringLiteral("/u/big/event-0.ics"),
                         Resource(Events::Single("event-0", today_, "Changed", ""))),
              201);
    timer.restart();
    Check(*calendar);
    const qint64 refetched = timer.elapsed();
    EXPECT_EQ(calendar->Traffic().fetches, cold.fetches + 1);
    std::cout << "changed calendar, 1000 events: fetched again in " << refetched << " ms\n";
    std::cout << "cold start, 1000 events: fetched in " << fetched << " ms (" << cold.requests
              << " requests, " << cold.bytesReceived << " bytes), first scan done at " << scanned
              << " ms\nunchanged check: " << checked << " ms, " << warm.requests - cold.requests
              << " request, " << warm.bytesReceived - cold.bytesReceived << " bytes\n";
    RecordProperty("cold_ms", static_cast<int>(scanned));
    RecordProperty("cold_bytes", static_cast<int>(cold.bytesReceived));
    RecordProperty("unchanged_ms", static_cast<int>(checked));
    RecordProperty("unchanged_bytes", static_cast<int>(warm.bytesReceived - cold.bytesReceived));
}

}  // namespace
}  // namespace agendix::scan::testing

namespace agendix::scan::testing {
namespace {

TEST_F(CalDavTest, TlsTrustsOnlyTheGivenAuthoritiesAndNeverFallsBackToHttp) {
    if (QStandardPaths::findExecutable(QStringLiteral("openssl")).isEmpty() ||
        !QSslSocket::supportsSsl()) {
        GTEST_SKIP() << "no openssl to make test certificates, or no TLS in Qt";
    }
    TestCertificates certificates;
    QString error;
    ASSERT_TRUE(certificates.Make(error)) << error.toStdString();
    FakeServer plain(true);
    QSslServer tls;
    tls.setSslConfiguration(certificates.server);
    FakeServer downgrading(true, &tls, plain.Url().toEncoded());

    // Without the test's authority the certificate is not trusted, and nothing is sent.
    CalDavCalendar* untrusting = nullptr;
    Agenda refused = Open(Options(downgrading.Url("https", "localhost")), untrusting);
    Settle(*untrusting);
    EXPECT_THAT(ScanFailure(refused, today_), HasSubstr("TLS error"));
    EXPECT_THAT(downgrading.Verbs(), IsEmpty());

    // Trusted, the server's redirect to plain http is refused.
    CalDavOptions options = Options(downgrading.Url("https", "localhost"));
    options.ssl.addCaCertificates(certificates.ca);
    CalDavCalendar* trusting = nullptr;
    Agenda redirected = Open(options, trusting);
    Settle(*trusting);
    EXPECT_THAT(ScanFailure(redirected, today_),
                AllOf(HasSubstr("refused the redirect"), HasSubstr("unencrypted")));
    EXPECT_EQ(downgrading.Verbs(), QStringList{QStringLiteral("PROPFIND")});
    EXPECT_THAT(plain.Verbs(), IsEmpty());
}

}  // namespace
}  // namespace agendix::scan::testing

namespace agendix::scan::testing {
namespace {

// Servers choose their own prefixes (or none): elements count by namespace, and only what a
// propstat with status 200 holds.
TEST(CalDavXmlTest, MultistatusIsReadByNamespaceAndStatus) {
    const QByteArray body =
        "<?xml version=\"1.0\"?>\n"
        "<multistatus xmlns=\"DAV:\" xmlns:cal=\"urn:ietf:params:xml:ns:caldav\" "
        "xmlns:x=\"http://calendarserver.org/ns/\">"
        "<response><href> /dav/cal/ </href>"
        "<propstat><prop><resourcetype><collection/><cal:calendar/></resourcetype>"
        "<x:getctag>\"42\"</x:getctag><cal:supported-calendar-component-set>"
        "<cal:comp name=\"VTODO\"/></cal:supported-calendar-component-set>"
        "<unknown><calendar-data>no</calendar-data></unknown></prop>"
        "<status>HTTP/1.1 200 OK</status></propstat>"
        "<propstat><prop><displayname>hidden</displayname><sync-token/></prop>"
        "<status>HTTP/1.1 404 Not Found</status></propstat></response>"
        "<response><href>/dav/book/</href><propstat><prop><resourcetype><collection/>"
        "<calendar/></resourcetype><current-user-principal><href>/p/</href>"
        "</current-user-principal></prop><status>HTTP/1.1 200 OK</status></propstat></response>"
        "<response><href>/dav/cal/gone.ics</href><status>HTTP/1.1 404 Not Found</status>"
        "</response>"
        "<response><href>/dav/cal/a.ics</href><propstat><prop>"
        "<C:calendar-data xmlns:C=\"urn:ietf:params:xml:ns:caldav\">BEGIN:VCALENDAR&#13;\n"
        "END:VCALENDAR&#13;\n</C:calendar-data></prop><status>HTTP/1.1 200 OK</status>"
        "</propstat></response></multistatus>";
    QString error;
    const auto resources = ParseMultistatus(body, error);
    ASSERT_TRUE(resources) << error.toStdString();
    ASSERT_EQ(resources->size(), 4u);

    const DavResource& calendar = (*resources)[0];
    EXPECT_EQ(calendar.href, QStringLiteral("/dav/cal/"));
    EXPECT_TRUE(calendar.isCalendar && calendar.isCollection);
    EXPECT_FALSE(calendar.holdsEvents) << "a task list";
    EXPECT_EQ(calendar.ctag, QStringLiteral("\"42\""));
    EXPECT_TRUE(calendar.displayName.isEmpty()) << "from a propstat that failed";
    EXPECT_FALSE(calendar.calendarData) << "only as a property of its own";

    const DavResource& book = (*resources)[1];
    EXPECT_FALSE(book.isCalendar) << "<calendar/> of the DAV namespace is not CalDAV's";
    EXPECT_EQ(book.principal, QStringLiteral("/p/"));

    EXPECT_EQ((*resources)[2].status, 404);
    EXPECT_FALSE((*resources)[2].calendarData);
    ASSERT_TRUE((*resources)[3].calendarData);
    EXPECT_EQ(*(*resources)[3].calendarData,
              QStringLiteral("BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n"));

    for (const QByteArray& broken :
         {QByteArray("<html><body>Sign in</body></html>"),
          QByteArray("<multistatus xmlns=\"DAV:\"><response><href>/a</href>"), QByteArray("")}) {
        EXPECT_FALSE(ParseMultistatus(broken, error)) << broken.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

TEST(CalDavNameTest, OnlyHttpAndHttpsUrlsNameCalDavCalendars) {
    std::string url;
    EXPECT_TRUE(ParseCalDavCalendarName("caldav:https://alice@dav.example.org/", url));
    EXPECT_EQ(url, "https://alice@dav.example.org/");
    EXPECT_FALSE(ParseCalDavCalendarName("caldav:ftp://dav.example.org/", url));
    EXPECT_FALSE(ParseCalDavCalendarName("https://dav.example.org/", url));
}

}  // namespace
}  // namespace agendix::scan::testing
