#pragma once

#include <cstdint>

namespace agendix::controls {

// The operating-system version record, laid out as the platform publishes it. The caller sets
// dwOSVersionInfoSize and leaves every other field zero; a query that fails leaves them zero.
struct OSVERSIONINFOA {
    std::uint32_t dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformId = 0;
    char szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

// The version record of the library that draws the common controls.
struct DLLVERSIONINFO {
    std::uint32_t cbSize = sizeof(DLLVERSIONINFO);
    std::uint32_t dwMajorVersion = 0;
    std::uint32_t dwMinorVersion = 0;
    std::uint32_t dwBuildNumber = 0;
    std::uint32_t dwPlatformID = 0;
};
static_assert(sizeof(DLLVERSIONINFO) == 20);

// The three platform queries the theme test asks. Their success results are not examined: a
// query that fails leaves its record zero.
class ThemePlatform {
  public:
    virtual ~ThemePlatform() = default;
    virtual void GetVersionExA(OSVERSIONINFOA& info) const = 0;
    // Non-zero when visual styles are active for this application.
    virtual int IsAppThemed() const = 0;
    virtual void DllGetVersion(DLLVERSIONINFO& info) const = 0;
};

// Whether controls may draw with the platform's visual styles. Asks the platform afresh on every
// call (nothing is cached), so a change of style shows at the next paint. The version test comes
// first so that IsAppThemed is never asked on a system too old to have it.
bool CanDrawThemed(const ThemePlatform& platform);

}  // namespace agendix::controls
