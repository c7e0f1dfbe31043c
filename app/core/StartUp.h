#pragma once

#include <string>

#include "common/core/ApplicationInfo.h"

namespace agendix::app {

// The steps of the start procedure, provided by the platform.
class StartUpSteps {
  public:
    virtual ~StartUpSteps() = default;

    virtual void InitCommonControls() = 0;
    // Returns when the report has been sent or has failed; never throws.
    virtual void SendUsageReport(const std::string& appName, const std::string& version) = 0;
    // Creates the main window and shows it without a modal loop.
    virtual void ShowMainWindow() = 0;
};

// "Major.Minor" in plain decimals: 1 and 0 give "1.0".
std::string VersionText(int major, int minor);

// The start procedure. A second instance ends here at once, silently: returns false, and the
// process should end. Otherwise initialises the controls, sends the usage report and waits for
// it, shows the main window and returns true; the process then lives as long as its windows.
bool Main(const common::ApplicationInfo& app, StartUpSteps& steps);

}  // namespace agendix::app
