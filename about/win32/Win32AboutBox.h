#pragma once

// The About box on Windows: a modal dialog owned by the window that opens it, with the texts,
// links and system-information launcher of the About box's core. Built for Windows only.

#include <windows.h>

#include "about/core/AboutBox.h"
#include "common/core/ApplicationInfo.h"

namespace agendix::about {

// Shows the About box and returns when it has closed. `icon` is the owner's icon (not owned).
void ShowAboutBox(HINSTANCE instance, HWND owner, const common::ApplicationInfo& app, HICON icon,
                  SysInfoTool& sysInfo);

}  // namespace agendix::about
