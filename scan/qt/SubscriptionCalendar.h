#pragma once

// A calendar subscription: an iCalendar feed on the web (https://, http://, or webcal://, which
// is https). The scan never waits for the network: it reads the last good copy, kept as a file
// under the cache folder with the validators of its answer. The copy is fetched again on the
// event loop of the thread that made the source, with a conditional request (If-None-Match,
// If-Modified-Since), at the interval the feed asks for (REFRESH-INTERVAL, X-PUBLISHED-TTL; held
// to [5 minutes, 1 day], else 1 hour), later after failures, and when a scan asks (at most once
// a minute). A new copy calls `changed`. While the latest fetch failed, the scan's ReadProblems
// say so and how old the copy shown is. Traffic() counts what was fetched, for measurements.

#include <QSslConfiguration>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "scan/core/CalendarSource.h"

class QUrl;

namespace agendix::scan {

struct SubscriptionOptions {
    // The subscription as the user wrote it.
    std::string address = {};
    // The file of the last good copy (SubscriptionCopyPath); its validators are kept beside it,
    // in the same name with ".json" added.
    std::filesystem::path copy = {};
    // The TLS settings of the requests: the system's trust unless a test adds its own CA.
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    // Reads the copy at a path; the scan's objects come from it.
    std::function<std::unique_ptr<CalendarApplicationFactory>(const std::filesystem::path&)>
        readCopy = nullptr;
    // Throws CalendarError when a download is not a whole iCalendar object; else the refresh
    // interval the feed asks for, if any.
    std::function<std::optional<std::chrono::seconds>(const std::string& text)> checkCopy = nullptr;
    // Called on the source's thread when a scan would read something new.
    std::function<void()> changed = nullptr;
    std::chrono::milliseconds requestTimeout{30'000};
    std::int64_t maxBytes = 20 * 1024 * 1024;
    // The least time between two fetches that scans ask for.
    std::chrono::milliseconds scanRefreshSpacing{60'000};
};

// The https URL of a subscription ("webcal://" read as https); empty when `address` is none.
std::optional<QUrl> SubscriptionUrl(const std::string& address);

// What a subscription has sent and received so far (bodies only), for measurements and logs.
struct SubscriptionTraffic {
    int requests = 0;
    int downloads = 0;  // answers with a new copy (200), not "unchanged" (304)
    std::int64_t bytesReceived = 0;
};

class SubscriptionCalendar : public CalendarApplicationFactory {
  public:
    // Starts the first fetch.
    SubscriptionCalendar(SubscriptionOptions options, const QUrl& url);
    ~SubscriptionCalendar() override;
    SubscriptionCalendar(const SubscriptionCalendar&) = delete;
    SubscriptionCalendar& operator=(const SubscriptionCalendar&) = delete;

    // Reads the last good copy; asks for news unless a request began less than
    // `scanRefreshSpacing` ago. Throws CalendarNotReady while the first copy is being fetched,
    // CalendarError when it could not be.
    std::unique_ptr<CalendarApplication> CreateApplication() override;

    // Fetches now, unless a request is under way.
    void RefreshNow();
    // True while a request is under way.
    bool Fetching() const;
    SubscriptionTraffic Traffic() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// Starts the first fetch on the event loop. Throws CalendarError when `address` is not a
// subscription.
std::unique_ptr<SubscriptionCalendar> MakeSubscriptionCalendar(SubscriptionOptions options);

}  // namespace agendix::scan
