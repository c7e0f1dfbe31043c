#pragma once

#include "controls/groupbox/core/ThemeTest.h"

namespace agendix::controls {

// The theme test answered from the running Qt application: the themed look is drawn unless the
// application's widget style is the classic one ("Windows", e.g. chosen with
// QT_STYLE_OVERRIDE=windows) or there is no widget application. Read at the moment it is asked.
class QtThemePlatform : public ThemeTest {
  public:
    bool CanDrawThemed() const override;
};

}  // namespace agendix::controls
