#pragma once

#include "controls/groupbox/core/ThemeTest.h"

namespace agendix::controls {

// The theme queries answered from the running Qt application. Visual styles count as active
// unless the application's widget style is the classic one ("Windows", e.g. chosen with
// QT_STYLE_OVERRIDE=windows) or there is no widget application. The system is reported as a
// version with visual styles and the common controls as the Qt Widgets major version, so the
// style alone decides. Every answer is read at the moment it is asked.
class QtThemePlatform : public ThemePlatform {
  public:
    void GetVersionExA(OSVERSIONINFOA& info) const override;
    int IsAppThemed() const override;
    void DllGetVersion(DLLVERSIONINFO& info) const override;
};

}  // namespace agendix::controls
