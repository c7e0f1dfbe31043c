#include "scan/qt/RemoteCalendars.h"

#include <QUrl>

#include "scan/qt/CalDavCalendar.h"
#include "scan/qt/SubscriptionCalendar.h"

namespace agendix::scan {

std::unique_ptr<CalendarApplicationFactory> MakeRemoteCalendar(
    const std::string& line, const RemoteCalendarOptions& options) {
    if (SubscriptionUrl(line)) {
        return MakeSubscriptionCalendar(
            {.address = line,
             .copy = options.copyPath(line),
             .ssl = options.ssl,
             .readCopy = options.readCopy,
             .checkCopy = [check = options.checkCopy,
                           line](const std::string& text) { return check(text, line); },
             .changed = options.changed});
    }
    if (std::string url; ParseCalDavCalendarName(line, url)) {
        if (options.calDavCache.empty()) {
            throw CalendarError(
                "CalDAV calendars need a cache folder: neither XDG_CACHE_HOME nor "
                "HOME is set");
        }
        return MakeCalDavCalendar({.url = url,
                                   .cacheFolder = options.calDavCache,
                                   .openFolder = options.readCopy,
                                   .passwords = options.passwords,
                                   .ssl = options.ssl,
                                   .changed = options.changed});
    }
    throw CalendarError("\"" + line + "\" names no calendar this program can read");
}

}  // namespace agendix::scan
