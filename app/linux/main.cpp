// agendix: the notification-area program. Takes the instance lock, then runs the start
// procedure with the real calendar, clock, settings, autostart entry, notification area and
// usage counter.

#include <QApplication>
#include <QDBusConnection>
#include <QMessageBox>
#include <QTimer>

#include "about/linux/LinuxSysInfo.h"
#include "about/qt/QtUrlOpener.h"
#include "about/qt/frmAbout.h"
#include "app/linux/InstanceLock.h"
#include "app/linux/ProgramInfo.h"
#include "app/linux/TerminationSignals.h"
#include "app/qt/QtStartUp.h"
#include "controls/groupbox/qt/QtThemePlatform.h"
#include "controls/host/qt/QtMessageService.h"
#include "controls/tray/linux/LinuxNotifyArea.h"
#include "scan/linux/IcalCalendar.h"
#include "scan/linux/SecretService.h"
#include "scan/linux/SystemClock.h"
#include "scan/qt/RemoteCalendars.h"
#include "settings/autostart/linux/XdgAutostart.h"
#include "settings/store/linux/IniSettingsStore.h"
#include "settings/usage/qt/QtCounterPost.h"
#include "triggers/linux/CalendarWatch.h"
#include "triggers/linux/DayWatch.h"
#include "triggers/linux/LocalDayStart.h"
#include "triggers/linux/ResumeWatch.h"

namespace {

using namespace agendix;

// $XDG_CACHE_HOME/agendix/<name>; empty without a cache folder.
std::filesystem::path CacheFolder(const char* name) {
    const auto cache = common::XdgCacheHome(common::ProcessEnvironment);
    return cache ? *cache / "agendix" / name : std::filesystem::path();
}

// The default calendars (calendar.conf), those on the network fetched on this thread's event
// loop. `changed` is started (from any thread) when one of them has news for a scan.

std::unique_ptr<scan::CalendarApplicationFactory> MakeCalendar(QTimer& changed) {
    const auto startChanged = [&changed] {
        QMetaObject::invokeMethod(&changed, qOverload<>(&QTimer::start), Qt::QueuedConnection);
    };
    const scan::RemoteCalendarOptions remote{
        .copyPath =
            [](const std::string& line) {
                const auto copy = scan::SubscriptionCopyPath(common::ProcessEnvironment, line);
                if (copy.empty()) {
                    throw scan::CalendarError(
                        "web calendars need a cache folder: neither XDG_CACHE_HOME nor HOME is "
                        "set");
                }
                return copy;
            },
        .readCopy =
            [](const std::filesystem::path& copy) {
                return scan::MakeIcalCalendar({copy, false});
            },
        .checkCopy = scan::CheckCalendarText,
        .calDavCache = CacheFolder("caldav"),
        .passwords = scan::LookupSecretServicePassword,
        .changed = startChanged};
    return scan::MakeDefaultCalendar(
        common::ProcessEnvironment,
        {.changed = startChanged, .remote = [remote](const std::string& line) {
             return scan::MakeRemoteCalendar(line, remote);
         }});
}

// What the options window works with. Made when the start procedure asks for the window, so
// that a second copy, which ends before that, opens no bus connection and touches no file.
struct ProgramServices {
    // `calendarServiceChanged` is started (from another thread) when the calendar service
    // reports a change of a default calendar, or a calendar on the network has a new copy.
    ProgramServices(const common::ApplicationInfo& info, QTimer& calendarServiceChanged)
        : title(QString::fromStdString(info.Title)),
          calendar(MakeCalendar(calendarServiceChanged)),
          notifyArea(controls::NotificationSender{title, QStringLiteral("agendix"),
                                                  QStringLiteral("agendix")}),
          messages(title),
          frameAmbient(QStringLiteral("frmOptions"), QApplication::font(), true),
          frameServices{frameAmbient, messages, theme},
          window{info,
                 *calendar,
                 clock,
                 store,
                 autostart,
                 notifyArea,
                 frameServices,
                 [this](bool enabled) { notifyArea.SetHoverToolTipEnabled(enabled); },
                 [this](QMenu& menu) { return notifyArea.OfferContextMenu(menu); },
                 [this, &info](QWidget& owner) {
                     about::frmAbout about(info, owner.windowIcon(), links, sysInfo, &owner);
                     about.exec();
                 },
                 QCoreApplication::applicationFilePath().toStdString()} {}

    const QString title;
    const std::unique_ptr<scan::CalendarApplicationFactory> calendar;
    const scan::SystemClock clock;
    settings::IniSettingsStore store{settings::DefaultSettingsFile()};
    settings::XdgAutostart autostart;
    controls::LinuxNotifyArea notifyArea;
    controls::QtMessageService messages;
    const controls::QtThemePlatform theme;
    const controls::FixedAmbientProperties frameAmbient;
    const controls::GroupBoxServices frameServices;
    about::QtUrlOpener links;
    about::LinuxSysInfo sysInfo;
    const app::frmMainServices window;
};

// Everything after the instance lock and the application object: the start procedure with its
// usage report and window, then the event loop.
int Run(const common::ApplicationInfo& info) {
    // Hands the calendar service's changes (from its worker thread) to this thread, as one.
    QTimer calendarServiceChanged;
    calendarServiceChanged.setSingleShot(true);
    calendarServiceChanged.setInterval(0);
    std::unique_ptr<ProgramServices> program;
    settings::QtCounterPost counter(QStringLiteral(AGENDIX_USAGE_HOST));
    app::QtStartUp steps(counter, [&] {
        program = std::make_unique<ProgramServices>(info, calendarServiceChanged);
        return std::make_unique<app::frmMain>(program->window);
    });
    // Connected before the start procedure runs, which may let events through: a change the
    // service reports then still scans, once the window is there.
    QObject::connect(&calendarServiceChanged, &QTimer::timeout, [&steps] {
        if (steps.mainWindow()) {
            steps.mainWindow()->Handlers().Calendar_Changed();
        }
    });

    if (!app::Main(info, steps)) {
        return 0;
    }
    // Scans at once when the calendar, the date, the time zone or a wake-up from sleep calls for
    // it, beside the periodic check.
    triggers::CalendarWatch calendarWatch(common::ProcessEnvironment);
    triggers::DayWatch dayWatch(triggers::NextLocalDayStart, "/etc");
    triggers::ResumeWatch resumeWatch(QDBusConnection::systemBus());
    const auto scanNow = [&steps] { steps.mainWindow()->Handlers().Calendar_Changed(); };
    QObject::connect(&calendarWatch, &triggers::CalendarWatch::Changed, scanNow);
    QObject::connect(&dayWatch, &triggers::DayWatch::Changed, scanNow);
    QObject::connect(&resumeWatch, &triggers::ResumeWatch::Changed, scanNow);
    // SIGTERM, SIGINT and SIGHUP (the session ending) unload the window like "Exit".
    app::TerminationSignals termination([&] { steps.mainWindow()->close(); });
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Held until the process ends; taken before anything else so a second copy costs nothing.
    const app::InstanceLock instance(app::InstanceLockPath(common::ProcessEnvironment));
    const common::ApplicationInfo info = app::CurrentApplicationInfo(instance.PrevInstance());
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    try {
        return Run(info);
    } catch (const std::exception& failure) {
        QMessageBox::critical(nullptr, QString::fromStdString(info.Title),
                              QString::fromStdString(failure.what()));
        return 1;
    }
}
