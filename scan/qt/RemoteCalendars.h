#pragma once

// The calendars on the network that calendar.conf may name, each made from its line: web
// calendar subscriptions (https://, http://, webcal://) and CalDAV calendars (caldav:<url>).

#include <QSslConfiguration>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "scan/core/CalDavPasswords.h"
#include "scan/core/CalendarSource.h"

namespace agendix::scan {

struct RemoteCalendarOptions {
    // Where the copy of the calendar a line names is kept (SubscriptionCopyPath).
    std::function<std::filesystem::path(const std::string& line)> copyPath = nullptr;
    QSslConfiguration ssl = QSslConfiguration::defaultConfiguration();
    // The iCalendar reader and check of the program (MakeIcalCalendar, CheckCalendarText).
    std::function<std::unique_ptr<CalendarApplicationFactory>(const std::filesystem::path&)>
        readCopy = nullptr;
    std::function<std::optional<std::chrono::seconds>(const std::string& text,
                                                      const std::string& name)>
        checkCopy = nullptr;
    // Where CalDAV calendars keep what they fetched ($XDG_CACHE_HOME/agendix/caldav), and the
    // user's password store (LookupSecretServicePassword).
    std::filesystem::path calDavCache = {};
    PasswordLookup passwords = nullptr;
    // Called on the thread that made the calendar when a scan would read something new.
    std::function<void()> changed = nullptr;
};

// The calendar `line` names; throws CalendarError when it names none this program reads.
std::unique_ptr<CalendarApplicationFactory> MakeRemoteCalendar(
    const std::string& line, const RemoteCalendarOptions& options);

}  // namespace agendix::scan
