// Calendar subscriptions against a real https server on the loopback interface (a Python
// http.server behind TLS, with a throwaway CA): conditional requests, the copy kept while the
// server is away, and what a user is told about answers that are not a calendar.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSslCertificate>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

#include "scan/core/MergedCalendar.h"
#include "scan/qt/RemoteCalendars.h"
#include "scan/qt/SubscriptionCalendar.h"
#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr CalendarDate kMonday{2026, 12, 7};

std::string Feed(const std::string& subject) {
    return Calendar(
        "X-PUBLISHED-TTL:PT1M\nBEGIN:VEVENT\nUID:feed-1\nDTSTART:20261207T090000\n"
        "SUMMARY:" +
        subject + "\nEND:VEVENT\n");
}

class Subscription : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.isValid());
        WriteFeed("Team meeting");
        StartServer();
    }

    void TearDown() override { StopServer(); }

    void StartServer() {
        QFile::remove(Path("port"));
        server_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server_.start(QStringLiteral("python3"),
                      {QStringLiteral(AGENDIX_SUBSCRIPTION_SERVER), folder_.path()});
        ASSERT_TRUE(QTest::qWaitFor([this] { return QFile::exists(Path("port")); }, 30'000))
            << "the test server did not start";
        QFile port(Path("port"));
        ASSERT_TRUE(port.open(QIODevice::ReadOnly));
        port_ = port.readAll().toInt();
    }

    void StopServer() {
        if (server_.state() != QProcess::NotRunning) {
            server_.kill();
            server_.waitForFinished();
        }
    }

    QString Path(const char* name) const { return folder_.filePath(QString::fromLatin1(name)); }

    void WriteFeed(const std::string& subject) const {
        std::ofstream(Path("feed.ics").toStdString(), std::ios::binary) << Feed(subject);
    }

    std::string Address(const std::string& path) const {
        return "https://localhost:" + std::to_string(port_) + path;
    }

    SubscriptionOptions Options(const std::string& path, bool trustTestCa = true) {
        SubscriptionOptions options;
        options.address = Address(path);
        options.copy = (folder_.path() + QStringLiteral("/cache/copy.ics")).toStdString();
        if (trustTestCa) {
            options.ssl.addCaCertificates(Path("ca.pem"));
        }
        options.readCopy = [](const std::filesystem::path& copy) {
            return MakeIcalCalendar({copy, false});
        };
        options.checkCopy = [path](const std::string& text) {
            return CheckCalendarText(text, path);
        };
        options.changed = [this] { ++changes_; };
        options.requestTimeout = std::chrono::milliseconds(3000);
        options.scanRefreshSpacing = std::chrono::milliseconds(0);
        return options;
    }

    // Runs the event loop until the source reports a change.
    bool WaitForChange() {
        const int before = changes_;
        return QTest::qWaitFor([&] { return changes_ > before; }, 20'000);
    }

    // Scans until `done` holds after a scan. A scan asks for news only when no request is under
    // way, and one sent before the feed changed (or the server went) may come back with the
    // copy there was: later scans ask again.
    template <typename Done>
    bool ScanUntil(Agenda& agenda, Done done) {
        return QTest::qWaitFor(
            [&] {
                agenda.Scan(kMonday, false);
                return done();
            },
            20'000);
    }

    // The requests the server saw, one JSON text each.
    std::vector<std::string> Requests() const {
        std::vector<std::string> lines;
        std::ifstream log(Path("requests.log").toStdString());
        for (std::string line; std::getline(log, line);) {
            lines.push_back(line);
        }
        return lines;
    }

    int argc_ = 1;
    char name_[24] = "scan_qt_tests";
    char* argv_[2] = {name_, nullptr};
    QCoreApplication application_{argc_, argv_};
    QTemporaryDir folder_;
    QProcess server_;
    int port_ = 0;
    int changes_ = 0;
};

TEST_F(Subscription, FetchesThenRevalidatesThenKeepsTheCopyWhileTheServerIsAway) {
    auto made = MakeSubscriptionCalendar(Options("/feed.ics"));
    SubscriptionCalendar& calendar = *made;
    Agenda agenda(std::move(made));
    ASSERT_TRUE(WaitForChange());
    const SubscriptionTraffic first = calendar.Traffic();
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Team meeting ()\n\n");
    EXPECT_THAT(agenda.ReadProblems(), IsEmpty());
    // The scan asked for news: the server answers 304 to the validators of the first answer.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !calendar.Fetching(); }, 10'000));
    ASSERT_EQ(Requests().size(), 2u);
    EXPECT_EQ(calendar.Traffic().downloads, first.downloads);
    EXPECT_EQ(calendar.Traffic().bytesReceived, first.bytesReceived) << "no body with a 304";
    const auto requests = Requests();
    EXPECT_THAT(requests[0], HasSubstr("\"if-none-match\": null"));
    EXPECT_THAT(requests[0], HasSubstr("\"status\": 200"));
    EXPECT_THAT(requests[1], HasSubstr("\"if-none-match\": \"\\\""));
    EXPECT_THAT(requests[1], HasSubstr("\"if-modified-since\": \"Mon, 07 Dec 2026 08:00:00 GMT\""));
    EXPECT_THAT(requests[1], HasSubstr("\"status\": 304"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Team meeting ()\n\n");

    // A changed feed shows at the next refresh, such as the one a scan asks for (a left click):
    // that scan shows the copy there is, the next one the new copy.
    WriteFeed("Moved meeting");
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Team meeting ()\n\n");
    ASSERT_TRUE(ScanUntil(agenda, [&] {
        return agenda.Scan(kMonday, false).text == " [09:00 - 09:00] Moved meeting ()\n\n";
    }));

    // The server is gone: the last copy, and a note that it is not fresh.
    StopServer();
    ASSERT_TRUE(ScanUntil(agenda, [&] { return !agenda.ReadProblems().empty(); }));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Moved meeting ()\n\n");
    EXPECT_THAT(
        agenda.ReadProblems(),
        ElementsAre(AllOf(HasSubstr("\"" + Address("/feed.ics") + "\" could not be refreshed"),
                          HasSubstr("its appointments are those of 20"))));
}

TEST_F(Subscription, ALineOfTheProfileIsMadeIntoItsCalendar) {
    RemoteCalendarOptions options{
        .copyPath =
            [this](const std::string&) {
                return (folder_.path() + QStringLiteral("/c/c.ics")).toStdString();
            },
        .readCopy = Options("/").readCopy,
        .checkCopy = CheckCalendarText,
        .changed = [this] { ++changes_; }};
    options.ssl.addCaCertificates(Path("ca.pem"));
    Agenda agenda(MakeRemoteCalendar(Address("/feed.ics"), options));
    EXPECT_THROW(agenda.Scan(kMonday, false), CalendarNotReady)
        << "no failure to show while the first copy is fetched";
    ASSERT_TRUE(WaitForChange());
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Team meeting ()\n\n");
    EXPECT_THROW(MakeRemoteCalendar("ftp://example.org/a.ics", options), CalendarError);
}

TEST_F(Subscription, ScansAskForNewsAtMostOnceAMinute) {
    SubscriptionOptions options = Options("/feed.ics");
    options.scanRefreshSpacing = std::chrono::minutes(1);
    Agenda agenda(MakeSubscriptionCalendar(std::move(options)));
    ASSERT_TRUE(WaitForChange());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Team meeting ()\n\n");
    }
    QTest::qWait(500);
    EXPECT_EQ(Requests().size(), 1u);
}

TEST_F(Subscription, ALaterProgramStartsFromTheCopyWhenOffline) {
    {
        Agenda first(MakeSubscriptionCalendar(Options("/feed.ics")));
        ASSERT_TRUE(WaitForChange());
    }
    StopServer();
    Agenda agenda(MakeSubscriptionCalendar(Options("/feed.ics")));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Team meeting ()\n\n");
    ASSERT_TRUE(WaitForChange());
    agenda.Scan(kMonday, false);
    EXPECT_THAT(agenda.ReadProblems(), ElementsAre(HasSubstr("could not be refreshed")));
}

TEST_F(Subscription, WhatIsNotACalendarIsNamedAndTheOtherCalendarsAreShown) {
    const struct {
        const char* path;
        const char* reason;
        bool trusted = true;
    } cases[] = {
        {"/html", "what the server sent is not a calendar"},
        {"/truncated", "the connection ended before the whole calendar arrived"},
        {"/cut", "what the server sent is not a calendar"},
        {"/hang", "the server did not answer within 3 seconds"},
        {"/loop", "it redirects more than 5 times"},
        {"/big", "it is larger than 20 MB"},
        {"/401", "the server answered 401"},
        {"/403", "the server answered 403"},
        {"/404", "the server answered 404"},
        {"/feed.ics", "SSL", false},
    };
    TemporaryCalendar other;
    other.Write(
        Calendar("BEGIN:VEVENT\nUID:mine\nDTSTART:20261207T080000\nSUMMARY:Mine\n"
                 "END:VEVENT\n"));
    for (const auto& test : cases) {
        SCOPED_TRACE(test.path);
        std::vector<OwnedCalendar> calendars;
        calendars.push_back({"mine", MakeIcalCalendar({other.File(), false})});
        calendars.push_back(
            {Address(test.path), MakeSubscriptionCalendar(Options(test.path, test.trusted))});
        Agenda agenda(MakeMergedCalendar(std::move(calendars)));
        ASSERT_TRUE(WaitForChange());
        EXPECT_EQ(agenda.Scan(kMonday, false).text, " [08:00 - 08:00] Mine ()\n\n");
        EXPECT_THAT(agenda.ReadProblems(),
                    ElementsAre(AllOf(HasSubstr("\"" + Address(test.path) + "\""),
                                      HasSubstr(test.reason))));
    }
}

TEST(SubscriptionUrl, WebcalIsHttpsAndOtherSchemesAreNone) {
    EXPECT_EQ(SubscriptionUrl("webcal://example.org/a.ics")->toString().toStdString(),
              "https://example.org/a.ics");
    EXPECT_EQ(SubscriptionUrl("http://example.org/a.ics")->scheme().toStdString(), "http");
    EXPECT_FALSE(SubscriptionUrl("ftp://example.org/a.ics"));
    EXPECT_FALSE(SubscriptionUrl("https://"));
}

}  // namespace
}  // namespace agendix::scan::testing
