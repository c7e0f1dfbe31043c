#include "app/qt/QtStartUp.h"

namespace agendix::app {

QtStartUp::QtStartUp(settings::CounterPost& counter, MainWindowFactory createMainWindow)
    : counter_(counter), createMainWindow_(std::move(createMainWindow)) {}

void QtStartUp::SendUsageReport(const std::string& appName, const std::string& version) {
    settings::SendUsageReport(counter_, appName, version);
}

void QtStartUp::ShowMainWindow() {
    mainWindow_ = createMainWindow_();
    mainWindow_->Show();
}

}  // namespace agendix::app
