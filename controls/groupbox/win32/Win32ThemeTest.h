#pragma once

// The theme test on Windows: visual styles need system version 5.1 or later, themes switched on
// for the application, and version 6 or later of the common controls.

#include "controls/groupbox/core/ThemeTest.h"
#include "controls/groupbox/win32/Win32Types.h"

namespace agendix::controls {

// The three platform calls the test makes (GetVersionExA, IsAppThemed, the common controls'
// DllGetVersion). Their results are not examined: a call that fails leaves its record as the
// caller set it, every field but the size zero.
class ThemeApi {
  public:
    virtual ~ThemeApi() = default;
    virtual void GetVersionExA(OSVERSIONINFOA& info) const = 0;
    // Non-zero when visual styles are active for this application.
    virtual int IsAppThemed() const = 0;
    virtual void DllGetVersion(DLLVERSIONINFO& info) const = 0;
};

// Asks the platform afresh on every call (nothing is cached). The version test comes first so
// that IsAppThemed is never called on a system too old to have it.
class Win32ThemeTest final : public ThemeTest {
  public:
    explicit Win32ThemeTest(const ThemeApi& api) : api_(api) {}
    bool CanDrawThemed() const override;

  private:
    const ThemeApi& api_;
};

}  // namespace agendix::controls
