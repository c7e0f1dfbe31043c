#include "controls/groupbox/core/ThemeTest.h"

namespace agendix::controls {

bool CanDrawThemed(const ThemePlatform& platform) {
    OSVERSIONINFOA osVersion;
    platform.GetVersionExA(osVersion);
    const double version =
        static_cast<double>(osVersion.dwMajorVersion) + osVersion.dwMinorVersion / 10.0;
    if (version < 5.1) {
        return false;
    }
    if (platform.IsAppThemed() == 0) {
        return false;
    }
    DLLVERSIONINFO controlsVersion;
    platform.DllGetVersion(controlsVersion);
    return controlsVersion.dwMajorVersion >= 6;
}

}  // namespace agendix::controls
