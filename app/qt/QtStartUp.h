#pragma once

#include <functional>
#include <memory>

#include "app/core/StartUp.h"
#include "app/qt/frmMain.h"
#include "settings/usage/core/UsageReport.h"

namespace agendix::app {

// The start procedure's steps with Qt: no control library to prepare, the usage report over
// HTTP, and the main window, which this object keeps for the life of the program.
class QtStartUp : public StartUpSteps {
  public:
    using MainWindowFactory = std::function<std::unique_ptr<frmMain>()>;

    QtStartUp(settings::CounterPost& counter, MainWindowFactory createMainWindow);

    // Qt's widgets need no preparation.
    void InitCommonControls() override {}
    void SendUsageReport(const std::string& appName, const std::string& version) override;
    void ShowMainWindow() override;

    frmMain* mainWindow() const { return mainWindow_.get(); }

  private:
    settings::CounterPost& counter_;
    MainWindowFactory createMainWindow_;
    std::unique_ptr<frmMain> mainWindow_;
};

}  // namespace agendix::app
