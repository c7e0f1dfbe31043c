// The --follow mode of agendix-agenda: prints the status a status bar shows as one JSON object,
// then a new one whenever the status changes, until the reader goes away or a termination signal
// comes. agendix-agenda starts it with its own command line.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <memory>

#include "agenda/linux/AgendaOptions.h"
#include "agenda/linux/StatusFollower.h"
#include "app/linux/TerminationSignals.h"
#include "scan/core/StatusScan.h"
#include "scan/linux/IcalCalendar.h"
#include "triggers/linux/CalendarWatch.h"
#include "triggers/linux/DayWatch.h"
#include "triggers/linux/LocalDayStart.h"
#include "triggers/linux/ResumeWatch.h"

namespace {

using namespace agendix::scan;
namespace agenda = agendix::agenda;
namespace common = agendix::common;
namespace app = agendix::app;
namespace triggers = agendix::triggers;

// The watch over the calendar that is read: the one named with --calendar, else the default one.
// A calendar of the calendar service tells its changes itself (see FollowedCalendar).
std::unique_ptr<triggers::FolderWatch> WatchCalendar(const std::optional<std::string>& named) {
    if (std::string uid; named && ParseEdsCalendarName(*named, uid)) {
        return std::make_unique<triggers::FolderWatch>(
            [] { return std::vector<triggers::WatchTarget>{}; }, QStringLiteral(""));
    }
    if (!named) {
        return std::make_unique<triggers::CalendarWatch>(common::ProcessEnvironment);
    }
    return std::make_unique<triggers::FolderWatch>(
        [path = std::filesystem::path(*named)] { return triggers::CalendarTargets(path); },
        QStringLiteral("the calendar changed"));
}

// The calendar of agenda::OpenCalendar, whose calendar service (when it reads one) starts
// `relay` from its worker thread whenever it reports a change.
std::unique_ptr<CalendarApplicationFactory> FollowedCalendar(const agenda::Options& options,
                                                             QTimer& relay) {
    const CalendarChanged changed = [&relay] {
        QMetaObject::invokeMethod(&relay, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    };
    constexpr std::chrono::seconds kServiceWait{30};
    if (std::string uid;
        options.calendars.size() == 1 && ParseEdsCalendarName(options.calendars.front(), uid)) {
        return MakeEdsCalendar({.sourceUid = uid, .readWait = kServiceWait, .changed = changed});
    }
    if (options.calendars.empty()) {
        return MakeDefaultCalendar(common::ProcessEnvironment,
                                   {.changed = changed, .readWait = kServiceWait});
    }
    return agenda::OpenCalendar(options);
}

// Besides every minute, it looks again at once when the calendar changes, a new day begins, the
// clock or the time zone is set, and when the machine wakes.
int Follow(const agenda::Options& options, int argc, char** argv) {
    if (!options.json || !options.follow) {
        throw agenda::UsageError("this program is agendix-agenda --json --follow");
    }
    QCoreApplication application(argc, argv);
    // Hands the calendar service's changes (from its worker thread) to this thread, as one.
    QTimer serviceChanged;
    serviceChanged.setSingleShot(true);
    serviceChanged.setInterval(0);
    const auto calendar = FollowedCalendar(options, serviceChanged);
    const agenda::ClockOnDate clock(options.date);
    // A reader that has gone shows as a failed write, not as a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
    StatusScan scan(*calendar, clock, options.tomorrow);
    agenda::StatusFollower follower(scan);
    QObject::connect(&serviceChanged, &QTimer::timeout, &follower,
                     &agenda::StatusFollower::Refresh);
    const app::TerminationSignals termination([] { QCoreApplication::exit(0); });
    // With several calendars named, the first is watched; the minute's look finds the others.
    const auto calendarWatch = WatchCalendar(
        options.calendars.empty() ? std::nullopt : std::optional(options.calendars.front()));
    triggers::DayWatch dayWatch(triggers::NextLocalDayStart, "/etc");
    triggers::ResumeWatch resumeWatch(QDBusConnection::systemBus());
    QObject::connect(calendarWatch.get(), &triggers::FolderWatch::Changed, &follower,
                     &agenda::StatusFollower::Refresh);
    QObject::connect(&dayWatch, &triggers::DayWatch::Changed, &follower,
                     &agenda::StatusFollower::Refresh);
    QObject::connect(&resumeWatch, &triggers::ResumeWatch::Changed, &follower,
                     &agenda::StatusFollower::Refresh);
    follower.Refresh();
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    return agenda::RunCommand(argc, argv, Follow);
}
