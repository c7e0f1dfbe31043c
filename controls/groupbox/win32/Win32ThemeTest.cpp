#include "controls/groupbox/win32/Win32ThemeTest.h"

namespace agendix::controls {

bool Win32ThemeTest::CanDrawThemed() const {
    OSVERSIONINFOA osVersion{};
    osVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    api_.GetVersionExA(osVersion);
    const double version =
        static_cast<double>(osVersion.dwMajorVersion) + osVersion.dwMinorVersion / 10.0;
    if (version < 5.1) {
        return false;
    }
    if (api_.IsAppThemed() == 0) {
        return false;
    }
    DLLVERSIONINFO controlsVersion{};
    controlsVersion.cbSize = sizeof(DLLVERSIONINFO);
    api_.DllGetVersion(controlsVersion);
    return controlsVersion.dwMajorVersion >= 6;
}

}  // namespace agendix::controls
