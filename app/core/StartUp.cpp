#include "app/core/StartUp.h"

namespace agendix::app {

std::string VersionText(int major, int minor) {
    return std::to_string(major) + "." + std::to_string(minor);
}

bool Main(const common::ApplicationInfo& app, StartUpSteps& steps) {
    if (app.PrevInstance) {
        return false;
    }
    steps.InitCommonControls();
    steps.SendUsageReport(app.EXEName, VersionText(app.Major, app.Minor));
    steps.ShowMainWindow();
    return true;
}

}  // namespace agendix::app
