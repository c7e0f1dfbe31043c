// agendix: the notification-area program. Takes the instance lock, then runs the start
// procedure with the real calendar, clock, settings, autostart entry, notification area and
// usage counter.

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "IcalCalendar.h"
#include "IniSettingsStore.h"
#include "InstanceLock.h"
#include "LinuxNotifyArea.h"
#include "LinuxSysInfo.h"
#include "ProgramInfo.h"
#include "QtCounterPost.h"
#include "QtMessageService.h"
#include "QtScanServices.h"
#include "QtStartUp.h"
#include "QtThemePlatform.h"
#include "QtUrlOpener.h"
#include "TerminationSignals.h"
#include "XdgAutostartShell.h"
#include "frmAbout.h"

namespace {

using namespace agendix;

// The default calendar, found at the first scan: a profile that cannot be read then fails that
// scan with a readable message, and a later scan tries again.
class DefaultCalendar : public scan::CalendarApplicationFactory {
  public:
    std::unique_ptr<scan::CalendarApplication> CreateApplication() override {
        if (!calendar_) {
            calendar_ = scan::ical::MakeIcalCalendar(
                scan::ical::DefaultCalendarLocation(scan::ical::ProcessEnvironment));
        }
        return calendar_->CreateApplication();
    }

  private:
    std::unique_ptr<scan::CalendarApplicationFactory> calendar_;
};

// Everything after the instance lock and the application object: the services, the start
// procedure and the event loop.
int Run(const app::ApplicationInfo& info) {
    DefaultCalendar calendar;
    const app::SystemClock clock;
    settings::IniSettingsStore store(settings::DefaultSettingsFile());
    settings::XdgAutostartShellFactory shells;
    controls::ShellHandles handles;
    controls::LinuxNotifyArea notifyArea(handles);
    const QString title = QString::fromStdString(info.Title);
    controls::QtMessageService messages(title);
    const settings::theme::QtThemePlatform theme;
    const controls::FixedAmbientProperties frameAmbient(QStringLiteral("frmOptions"),
                                                        QApplication::font(), true);
    const controls::GroupBoxServices frameServices{frameAmbient, messages, theme};
    about::QtUrlOpener links;
    about::LinuxSysInfo sysInfo;

    const app::frmMainServices services{
        info,
        calendar,
        clock,
        store,
        shells,
        notifyArea,
        handles,
        frameServices,
        [&](bool enabled) { notifyArea.SetHoverToolTipEnabled(enabled); },
        [&](QMenu& menu) { return notifyArea.OfferContextMenu(menu); },
        [&](QWidget& owner) {
            about::frmAbout about(info, owner.windowIcon(), links, sysInfo, sysInfo, &owner);
            about.exec();
        },
        QCoreApplication::applicationFilePath().toStdString()};
    usage::QtCounterPost counter(QStringLiteral(AGENDIX_USAGE_HOST));
    app::QtStartUp steps(counter, [&] { return std::make_unique<app::frmMain>(services); });

    if (!app::Main(info, steps)) {
        return 0;
    }
    // Told once the program runs, so that the message box does not hold up the event loop.
    QTimer::singleShot(0, [&store, title] {
        if (const auto warning = store.TakeWarning()) {
            QMessageBox::warning(nullptr, title, QString::fromStdString(*warning));
        }
    });
    // SIGTERM, SIGINT and SIGHUP (the session ending) unload the window like "Exit".
    app::TerminationSignals termination([&] { steps.mainWindow()->close(); });
    return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    // Held until the process ends; taken before anything else so a second copy costs nothing.
    const app::InstanceLock instance(app::InstanceLockPath(scan::ical::ProcessEnvironment));
    const app::ApplicationInfo info = app::CurrentApplicationInfo(instance.PrevInstance());
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
