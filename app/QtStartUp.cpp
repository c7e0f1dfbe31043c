#include "QtStartUp.h"

namespace agendix::app {

QtStartUp::QtStartUp(usage::CounterPost& counter, MainWindowFactory createMainWindow)
    : counter_(counter), createMainWindow_(std::move(createMainWindow)) {}

void QtStartUp::SendUsageReport(const std::string& appName, const std::string& version) {
    usage::SendUsageReport(counter_, appName, version);
}

void QtStartUp::ShowMainWindow() {
    mainWindow_ = createMainWindow_();
    mainWindow_->Show();
}

}  // namespace agendix::app
