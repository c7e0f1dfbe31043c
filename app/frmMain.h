#pragma once

#include <QWidget>
#include <functional>

#include "ApplicationInfo.h"
#include "AppointmentScan.h"

namespace agendix::app {

// The main window. It owns the scan's state for its whole life; its load handler runs the
// first scan. Failures that reach the top of a handler are shown to the user, never passed on
// into Qt.
class frmMain : public QWidget {
  public:
    frmMain(const ApplicationInfo& app, scan::CalendarApplicationFactory& calendar,
            const scan::Clock& clock, scan::BalloonTray& tray, scan::MessagePump& pump);

    // Shows the window without a modal loop; the first call runs the load handler before.
    void Show();

    // Scans the calendar with the window's tomorrow option. Throws what the calendar throws.
    void doIt();

    bool IsLoading() const { return scan_.IsLoading(); }
    const scan::AppointmentScan& Scan() const { return scan_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void Form_Load();
    void Form_Unload();
    // The "Also show tomorrow" option as a check box value; the box is not there yet.
    int chkTomorrowValue() const { return 0; }
    // Runs one event handler; a failure that reaches its top is shown in a message box.
    void RunHandler(const QString& failure, const std::function<void()>& handler);

    const ApplicationInfo& app_;
    scan::BalloonTray& tray_;
    scan::MessagePump& pump_;
    scan::AppointmentScan scan_;
    bool loaded_ = false;
};

}  // namespace agendix::app
