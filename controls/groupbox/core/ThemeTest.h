#pragma once

namespace agendix::controls {

// Whether controls may draw the themed look (the desktop's visual styles) rather than the
// classic one. Asked afresh at every drawing, so a change of style shows at the next paint.
class ThemeTest {
  public:
    virtual ~ThemeTest() = default;
    virtual bool CanDrawThemed() const = 0;
};

}  // namespace agendix::controls
