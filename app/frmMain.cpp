#include "frmMain.h"

#include <QCloseEvent>
#include <QIcon>
#include <QMessageBox>

#include "SetTopMost.h"

namespace agendix::app {

frmMain::frmMain(const ApplicationInfo& app, scan::CalendarApplicationFactory& calendar,
                 const scan::Clock& clock, scan::BalloonTray& tray, scan::MessagePump& pump)
    : app_(app), tray_(tray), pump_(pump), scan_(calendar, clock, tray, pump) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("\u00BB"));
    QIcon icon(QStringLiteral(":/agendix/agendix-32.xpm"));
    icon.addFile(QStringLiteral(":/agendix/agendix-16.xpm"));
    setWindowIcon(icon);
}

void frmMain::Show() {
    if (!loaded_) {
        loaded_ = true;
        RunHandler(tr("The appointments could not be read."), [this] { Form_Load(); });
        scan_.SetIsLoading(false);  // also when the load handler failed half-way
    }
    show();
}

void frmMain::doIt() {
    scan_.doIt(chkTomorrowValue());
}

void frmMain::Form_Load() {
    SetTopMost(*this, true);
    // The option boxes are set from the stored options between these two steps; their click
    // handlers run then, and the scan they start does nothing while IsLoading is set.
    scan_.SetIsLoading(true);
    scan_.SetIsLoading(false);
    doIt();
}

void frmMain::closeEvent(QCloseEvent* event) {
    RunHandler(tr("Agendix could not close cleanly."), [this] { Form_Unload(); });
    event->accept();
}

// Lets pending messages run, then takes the icon out of the tray before the window goes.
void frmMain::Form_Unload() {
    pump_.ProcessPendingMessages();
    tray_.Show(false);
}

void frmMain::RunHandler(const QString& failure, const std::function<void()>& handler) {
    QString reason;
    try {
        handler();
        return;
    } catch (const std::exception& error) {
        reason = QString::fromStdString(error.what());
    } catch (...) {
        reason = tr("Unknown failure.");
    }
    QMessageBox::warning(this, QString::fromStdString(app_.Title),
                         failure + QLatin1Char('\n') + reason);
}

}  // namespace agendix::app
