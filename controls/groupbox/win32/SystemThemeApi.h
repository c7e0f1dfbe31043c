#pragma once

// The theme test's three platform calls answered by the system: GetVersionExA, uxtheme's
// IsAppThemed and the loaded common controls' DllGetVersion. Built for Windows only.

#include "controls/groupbox/win32/Win32ThemeTest.h"

namespace agendix::controls {

class SystemThemeApi final : public ThemeApi {
  public:
    void GetVersionExA(OSVERSIONINFOA& info) const override;
    int IsAppThemed() const override;
    void DllGetVersion(DLLVERSIONINFO& info) const override;
};

}  // namespace agendix::controls
