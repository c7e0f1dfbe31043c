// What the calendars on the network cost, side by side in one run on the loopback interface: a
// web calendar subscription of 1,000 generated events (a tenth of them recurring series) served
// over https by scan/tests/SubscriptionServer.py, and the same events in a CalDAV calendar of a
// private Radicale server.
//   - a cold start: the first fetch (and for CalDAV the first scan of what was fetched);
//   - a refresh of the unchanged subscription (a conditional request answered 304) and a check
//     of the unchanged CalDAV calendar (its change tag), of one collection and of a calendar
//     home of two: the median time of REPEATS, the bytes of the answers' bodies and the bytes on
//     the wire each way (headers, and TLS for https). Each is measured twice: on the connection
//     kept open from the request before, and on a new connection, as after a longer pause.
// The bytes on the wire are counted by a forwarding proxy on a thread of its own, between the
// calendar and the server.
//
// Usage: scan_network_benchmark [EVENTS] [REPEATS]   (default 1000 events, 20 repeats)
// Needs radicale, python3 and openssl (scripts/packages/caldav.txt, subscriptions.txt).

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "scan/bench/CalendarGenerator.h"
#include "scan/linux/IcalCalendar.h"
#include "scan/qt/CalDavCalendar.h"
#include "scan/qt/SubscriptionCalendar.h"
#include "scan/tests/CalDavServer.h"
#include "scan/tests/IcalTestSupport.h"

namespace {

using namespace agendix::scan;
namespace fs = std::filesystem;

// Forwards every connection to its port on to the server at `target`, counting the bytes each
// way. Runs on a thread of its own, so that the event loop measured does none of its work.
class CountingProxy {
  public:
    explicit CountingProxy(quint16 target) {
        context_.moveToThread(&thread_);
        thread_.start();
        OnThread([this, target] { Listen(target); });
    }
    ~CountingProxy() {
        OnThread([this] { delete server_; });
        thread_.quit();
        thread_.wait();
    }
    CountingProxy(const CountingProxy&) = delete;
    CountingProxy& operator=(const CountingProxy&) = delete;

    quint16 Port() const { return port_; }
    std::int64_t Sent() const { return sent_; }
    std::int64_t Received() const { return received_; }

    // Ends every connection: the next request opens a new one.
    void DropConnections() {
        OnThread([this] {
            for (QTcpSocket* socket : server_->findChildren<QTcpSocket*>()) {
                socket->abort();
            }
        });
    }

  private:
    void OnThread(const std::function<void()>& work) {
        QMetaObject::invokeMethod(&context_, work, Qt::BlockingQueuedConnection);
    }

    void Listen(quint16 target) {
        server_ = new QTcpServer;
        server_->listen(QHostAddress::LocalHost, 0);
        port_ = server_->serverPort();
        QObject::connect(server_, &QTcpServer::pendingConnectionAvailable, server_, [=, this] {
            while (QTcpSocket* client = server_->nextPendingConnection()) {
                auto* upstream = new QTcpSocket(client);
                upstream->connectToHost(QHostAddress::LocalHost, target);
                Forward(client, upstream, sent_);
                Forward(upstream, client, received_);
                QObject::connect(client, &QTcpSocket::disconnected, client, [client, upstream] {
                    upstream->disconnectFromHost();
                    client->deleteLater();
                });
                QObject::connect(upstream, &QTcpSocket::disconnected, client,
                                 [client] { client->disconnectFromHost(); });
            }
        });
    }

    static void Forward(QTcpSocket* from, QTcpSocket* to, std::atomic<std::int64_t>& count) {
        QObject::connect(from, &QTcpSocket::readyRead, to, [from, to, &count] {
            const QByteArray data = from->readAll();
            count += data.size();
            to->write(data);
        });
    }

    QThread thread_;
    QObject context_;
    QTcpServer* server_ = nullptr;  // lives on thread_
    quint16 port_ = 0;
    std::atomic<std::int64_t> sent_{0};
    std::atomic<std::int64_t> received_{0};
};

// Runs the event loop until `done`.
void RunUntil(const std::function<bool()>& done) {
    while (!done()) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    }
}

// Milliseconds since `timer` started, with fractions.
double Milliseconds(const QElapsedTimer& timer) {
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Row {
    std::string what;
    double milliseconds = 0;
    std::int64_t requests = 0;
    std::int64_t bodyBytes = 0;
    std::int64_t sent = 0;
    std::int64_t received = 0;
};

void Print(const Row& row) {
    std::printf("%-58s %9.1f ms %4lld req %9lld B body %8lld B sent %9lld B received\n",
                row.what.c_str(), row.milliseconds, static_cast<long long>(row.requests),
                static_cast<long long>(row.bodyBytes), static_cast<long long>(row.sent),
                static_cast<long long>(row.received));
}

// A calendar on the network as the benchmark drives it: what it has sent and received so far,
// a refresh started now, and whether it is still under way.
struct Driven {
    std::function<std::int64_t()> requests;
    std::function<std::int64_t()> bodyBytes;
    std::function<void()> refresh;
    std::function<bool()> busy;
};

// The median of `repeats` refreshes of an unchanged calendar, and what one of them cost; with
// `newConnection`, each on a new connection.
Row Unchanged(const std::string& what, const Driven& calendar, CountingProxy& proxy, int repeats,
              bool newConnection) {
    std::vector<double> times;
    const std::int64_t requests = calendar.requests(), body = calendar.bodyBytes();
    const std::int64_t sent = proxy.Sent(), received = proxy.Received();
    for (int i = 0; i < repeats; ++i) {
        if (newConnection) {
            proxy.DropConnections();
            QElapsedTimer pause;
            pause.start();
            RunUntil([&] { return pause.elapsed() > 100; });  // the client sees it closed
        }
        QElapsedTimer timer;
        timer.start();
        calendar.refresh();
        RunUntil([&] { return !calendar.busy(); });
        times.push_back(Milliseconds(timer));
    }
    return {what + (newConnection ? ", new connection" : ", connection kept"),
            Median(times),
            (calendar.requests() - requests) / repeats,
            (calendar.bodyBytes() - body) / repeats,
            (proxy.Sent() - sent) / repeats,
            (proxy.Received() - received) / repeats};
}

// Starts SubscriptionServer.py serving `feed` in `folder`; its port, 0 when it did not start.
int StartFeedServer(QProcess& server, const QString& folder, const std::string& feed) {
    QFile file(folder + QStringLiteral("/feed.ics"));
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(feed.data(), static_cast<qint64>(feed.size())) !=
            static_cast<qint64>(feed.size())) {
        return 0;
    }
    file.close();
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QStringLiteral("python3"), {QStringLiteral(AGENDIX_SUBSCRIPTION_SERVER), folder});
    QElapsedTimer waited;
    waited.start();
    RunUntil([&] {
        return QFile::exists(folder + QStringLiteral("/port")) || waited.elapsed() > 30'000;
    });
    QFile port(folder + QStringLiteral("/port"));
    return port.open(QIODevice::ReadOnly) ? port.readAll().toInt() : 0;
}

SubscriptionOptions FeedOptions(const std::string& address, const QString& folder) {
    SubscriptionOptions options;
    options.address = address;
    options.copy = (folder + QStringLiteral("/cache/feed.ics")).toStdString();
    options.ssl.addCaCertificates(folder + QStringLiteral("/ca.pem"));
    options.readCopy = [](const fs::path& copy) { return MakeIcalCalendar({copy, false}); };
    options.checkCopy = [address](const std::string& text) {
        return CheckCalendarText(text, address);
    };
    return options;
}

CalDavOptions CalDavOptionsFor(const QUrl& url, const QString& cache) {
    return {.url = url.toString().toStdString(),
            .cacheFolder = cache.toStdString(),
            .openFolder =
                [](const fs::path& folder) {
                    return MakeIcalCalendar({folder, true});
                },
            .checkInterval = std::chrono::hours(1)};
}

Driven Drive(SubscriptionCalendar& feed) {
    return {[&feed] { return feed.Traffic().requests; },
            [&feed] { return feed.Traffic().bytesReceived; }, [&feed] { feed.RefreshNow(); },
            [&feed] { return feed.Fetching(); }};
}

Driven Drive(CalDavCalendar& calendar) {
    return {[&calendar] { return calendar.Traffic().requests; },
            [&calendar] { return calendar.Traffic().bytesReceived; },
            [&calendar] { calendar.CheckNow(); }, [&calendar] { return calendar.Checking(); }};
}

CalendarDate Today() {
    const QDate today = QDate::currentDate();
    return {today.year(), today.month(), today.day()};
}

std::size_t FilesIn(const QString& folder) {
    std::size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder.toStdString())) {
        count += entry.path().extension() == ".ics";
    }
    return count;
}

int Run(int events, int repeats) {
    const std::string generated = GenerateCalendar(events);
    std::printf(
        "calendar: %d generated events (a tenth recurring), %zu bytes as one file; "
        "median of %d refreshes\n\n",
        events, generated.size(), repeats);
    QTemporaryDir work;

    // The subscription.
    const QString feedFolder = work.filePath(QStringLiteral("feed"));
    QDir().mkpath(feedFolder);
    QProcess feedServer;
    const int feedPort = StartFeedServer(feedServer, feedFolder, generated);
    if (feedPort == 0) {
        std::fprintf(stderr, "the feed server did not start\n");
        return 1;
    }
    CountingProxy feedProxy(static_cast<quint16>(feedPort));
    QElapsedTimer timer;
    timer.start();
    auto feed = MakeSubscriptionCalendar(FeedOptions(
        "https://127.0.0.1:" + std::to_string(feedProxy.Port()) + "/feed.ics", feedFolder));
    RunUntil([&] { return !feed->Fetching(); });
    std::vector<Row> rows;
    rows.push_back({"subscription, first fetch (200)", Milliseconds(timer),
                    feed->Traffic().requests, feed->Traffic().bytesReceived, feedProxy.Sent(),
                    feedProxy.Received()});

    // The CalDAV calendar: the events in one collection, and a second small one in the home.
    testing::RadicaleServer radicale;
    QString error;
    if (!radicale.Start(error)) {
        std::fprintf(stderr, "%s\n", error.toStdString().c_str());
        return 1;
    }
    if (radicale.Put(QStringLiteral("/u/big/"), QByteArray::fromStdString(generated)) != 201 ||
        radicale.MakeCalendar(QStringLiteral("/u/small/")) != 201 ||
        radicale.Put(QStringLiteral("/u/small/one.ics"),
                     QByteArray::fromStdString(GenerateCalendar(1))) != 201) {
        std::fprintf(stderr, "Radicale did not take the calendars\n");
        return 1;
    }
    CountingProxy davProxy(static_cast<quint16>(radicale.Port()));
    const auto davUrl = [&](const char* path) {
        return QUrl(QStringLiteral("http://u@127.0.0.1:%1%2")
                        .arg(davProxy.Port())
                        .arg(QLatin1String(path)));
    };
    timer.restart();
    auto made = MakeCalDavCalendar(
        CalDavOptionsFor(davUrl("/u/big/"), work.filePath(QStringLiteral("dav"))));
    CalDavCalendar& collection = *made;
    testing::Agenda agenda(std::move(made));
    RunUntil([&] { return collection.Traffic().requests > 0 && !collection.Checking(); });
    const double fetched = Milliseconds(timer);
    rows.push_back({"CalDAV collection, first check and fetch", fetched,
                    collection.Traffic().requests, collection.Traffic().bytesReceived,
                    davProxy.Sent(), davProxy.Received()});
    const std::string firstText = agenda.Scan(Today()).text;
    rows.push_back({"CalDAV collection, ... and its first scan", Milliseconds(timer), 0, 0, 0, 0});
    const std::size_t resources = FilesIn(work.filePath(QStringLiteral("dav")));

    auto home =
        MakeCalDavCalendar(CalDavOptionsFor(davUrl("/"), work.filePath(QStringLiteral("home"))));
    RunUntil([&] { return home->Traffic().requests > 0 && !home->Checking(); });

    for (const bool newConnection : {false, true}) {
        rows.push_back(Unchanged("subscription unchanged (304)", Drive(*feed), feedProxy, repeats,
                                 newConnection));
        rows.push_back(Unchanged("CalDAV collection unchanged (ctag)", Drive(collection), davProxy,
                                 repeats, newConnection));
        rows.push_back(Unchanged("CalDAV home of 2 calendars unchanged", Drive(*home), davProxy,
                                 repeats, newConnection));
    }
    for (const Row& row : rows) {
        Print(row);
    }
    std::printf(
        "\nCalDAV: %zu of the %d events' resources fall in the days fetched; today and "
        "tomorrow list %zu lines\n",
        resources, events,
        static_cast<std::size_t>(std::count(firstText.begin(), firstText.end(), '\n')));
    feedServer.kill();
    feedServer.waitForFinished();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int events = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 20;
    return Run(std::max(events, 1), std::max(repeats, 1));
}
