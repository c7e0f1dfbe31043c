#pragma once

// A read-only CalDAV calendar: one calendar collection, or every calendar of a calendar home.
// The server is asked on the event loop, never on a scan: a check (at most once per
// `checkInterval`, and when a scan finds the last check older than that) asks for the change tags
// (getctag, else sync-token) with one small PROPFIND, of the collection or, for a home, of all its
// calendars at once; only a calendar whose tag changed, or whose copy is of another day, is
// fetched again: the resources with events in the days around today and tomorrow (REPORT
// calendar-query with a UTC time range). Each calendar's resources are kept as one .ics file each
// in a cache folder of its own, and scans read those folders with the program's own iCalendar
// reader (handed in as `openFolder`), which expands series on the client: the server's own
// expansion is not used. The calendars of a home are merged as several calendars are (see
// MergedCalendar.h): in order of path, an appointment that two of them hold listed once.
// `changed` follows whenever new data arrived or an error changed.
//
// Discovery: a URL that is itself a calendar collection is read alone. Otherwise (a server root,
// a principal or a calendar home) the calendar home is found through /.well-known/caldav,
// current-user-principal and calendar-home-set, and every calendar of the home that holds events
// (supported-calendar-component-set) is read; calendars added to or removed from the home follow
// at the next check. A calendar that cannot be read keeps its last fetched appointments (also
// across restarts: the cache folder stays); the scan's ReadProblems then say that they are stale
// and why.

#include <QSslConfiguration>
#include <QString>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "scan/core/CalDavPasswords.h"
#include "scan/core/CalendarSource.h"

namespace agendix::scan {

struct CalDavOptions {
    // The server, principal, home or calendar URL, with the user name in it:
    // "https://alice@dav.example.org/". A password in the URL is refused.
    std::string url;
    // Where the fetched resources are kept: a folder per calendar is made inside.
    std::filesystem::path cacheFolder;
    // The program's reader of a folder of .ics files (MakeIcalCalendar in scan/linux).
    std::function<std::unique_ptr<CalendarApplicationFactory>(const std::filesystem::path& folder)>
        openFolder;
    // The user's password store (LookupSecretServicePassword in scan/linux); null for none.
    // Called on a worker thread, and only when the URL names a user.
    PasswordLookup passwords = nullptr;
    // TLS settings of every request; certificate errors are never ignored.
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    // Called on the event loop's thread after new data arrived or the error changed.
    std::function<void()> changed = nullptr;
    std::chrono::milliseconds checkInterval{std::chrono::minutes(1)};
    // The longest time one request (each redirect hop) may take.
    std::chrono::milliseconds requestTimeout{std::chrono::seconds(30)};
    std::int64_t maxResponseBytes = 64 * 1024 * 1024;
    QString userAgent = QStringLiteral("Agendix/" AGENDIX_VERSION " (CalDAV)");
};

// What the calendar has sent and received so far (bodies only), for measurements and logs.
struct CalDavTraffic {
    int requests = 0;
    int fetches = 0;  // calendar-query REPORTs
    std::int64_t bytesReceived = 0;
};

class CalDavCalendar : public CalendarApplicationFactory {
  public:
    // Starts the first check on the event loop.
    explicit CalDavCalendar(CalDavOptions options);
    ~CalDavCalendar() override;
    CalDavCalendar(const CalDavCalendar&) = delete;
    CalDavCalendar& operator=(const CalDavCalendar&) = delete;

    // Reads the last fetched copies. Throws CalendarError naming the calendar when nothing was
    // fetched yet and a check failed, CalendarNotReady while the first copy is being fetched
    // (`changed` follows).
    std::unique_ptr<CalendarApplication> CreateApplication() override;

    // Checks the server now, unless a check is running (one more follows it then).
    void CheckNow();
    // True while a check runs.
    bool Checking() const;
    CalDavTraffic Traffic() const;

  private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

std::unique_ptr<CalDavCalendar> MakeCalDavCalendar(CalDavOptions options);

// True when `name` is how calendar.conf names a CalDAV calendar, "caldav:<URL>" with an http or
// https URL; `url` receives the URL.
bool ParseCalDavCalendarName(const std::string& name, std::string& url);

}  // namespace agendix::scan
