// agendix: the notification-area program. Takes the instance lock, then runs the start
// procedure with the real calendar, clock, message pump and usage counter.

#include <QApplication>

#include "IcalCalendar.h"
#include "InstanceLock.h"
#include "ProgramInfo.h"
#include "QtCounterPost.h"
#include "QtScanServices.h"
#include "QtStartUp.h"

namespace {

using namespace agendix;

// Stands in for the tray icon control until the program has one: the balloon goes nowhere.
class NoTray : public scan::BalloonTray {
  public:
    void SetTrayToolTipTitle(const std::string&) override {}
    void SetTrayToolTip(const std::string&) override {}
    void Show(bool) override {}
};

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

}  // namespace

int main(int argc, char** argv) {
    // Held until the process ends; taken before anything else so a second copy costs nothing.
    const app::InstanceLock instance(app::InstanceLockPath(scan::ical::ProcessEnvironment));
    const app::ApplicationInfo info = app::CurrentApplicationInfo(instance.PrevInstance());
    QApplication application(argc, argv);

    DefaultCalendar calendar;
    const app::SystemClock clock;
    NoTray tray;
    app::EventLoopPump pump;
    usage::QtCounterPost counter(QStringLiteral(AGENDIX_USAGE_HOST));
    app::QtStartUp steps(
        counter, [&] { return std::make_unique<app::frmMain>(info, calendar, clock, tray, pump); });

    if (!app::Main(info, steps)) {
        return 0;
    }
    return QApplication::exec();
}
