// The --follow mode of agendix-agenda: prints the status a status bar shows as one JSON object,
// then a new one whenever the status changes, until the reader goes away or a termination signal
// comes. agendix-agenda starts it with its own command line.

#include <QCoreApplication>
#include <QDBusConnection>
#include <QTimer>
#include <csignal>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "agenda/linux/AgendaOptions.h"
#include "agenda/linux/StatusFollower.h"
#include "app/linux/TerminationSignals.h"
#include "scan/core/StatusScan.h"
#include "scan/linux/IcalCalendar.h"
#include "scan/linux/SystemClock.h"
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

// The watch over the calendars that are read: those named with --calendar (files, folders, and
// the copies of calendars on the network that the tray program keeps), else the default ones.
// A calendar of the calendar service tells its changes itself (see OpenCalendar).
std::unique_ptr<triggers::FolderWatch> WatchCalendars(const std::vector<std::string>& named) {
    if (named.empty()) {
        return std::make_unique<triggers::CalendarWatch>(common::ProcessEnvironment);
    }
    std::vector<std::filesystem::path> paths;
    for (const std::string& name : named) {
        if (std::string uid; !ParseEdsCalendarName(name, uid)) {
            const auto location = CalendarLocationOf(name, {}, common::ProcessEnvironment);
            if (!location.path.empty()) {
                paths.push_back(location.path);
            }
        }
    }
    return std::make_unique<triggers::FolderWatch>(
        [paths] {
            std::vector<triggers::WatchTarget> targets;
            for (const auto& path : paths) {
                const auto ofPath = triggers::CalendarTargets(path);
                targets.insert(targets.end(), ofPath.begin(), ofPath.end());
            }
            return targets;
        },
        QStringLiteral("the calendar changed"));
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
    const auto calendar = agenda::OpenCalendar(options, [&serviceChanged] {
        QMetaObject::invokeMethod(&serviceChanged, qOverload<>(&QTimer::start),
                                  Qt::QueuedConnection);
    });
    const SystemClock system;
    const agenda::ClockOnDate clock(system, options.date);
    // A reader that has gone shows as a failed write, not as a signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);
    StatusScan scan(*calendar, clock, options.tomorrow);
    agenda::StatusFollower follower(scan);
    QObject::connect(&serviceChanged, &QTimer::timeout, &follower,
                     &agenda::StatusFollower::Refresh);
    const app::TerminationSignals termination([] { QCoreApplication::exit(0); });
    const auto calendarWatch = WatchCalendars(options.calendars);
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
    return agenda::RunCommand(argc, argv, agenda::kUsage, Follow);
}
