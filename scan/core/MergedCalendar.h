#pragma once

// Several calendars read as one: their appointments in the order the calendars are given (each
// calendar's in its own order), an appointment that more than one of them holds (the same
// Identity, such as an invitation in two calendars) listed once, where it is first found. A
// calendar that cannot be read is left out and named in the folder's ReadProblems, so that the
// others are still shown.

#include <memory>
#include <string>
#include <vector>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

// One of the calendars: how messages name it, and the calendar itself, which must outlive the
// objects made from it.
struct NamedCalendar {
    std::string name;
    CalendarApplicationFactory* calendar = nullptr;
};

// An application object over `calendars` for one scan. With one calendar it is that calendar's
// own, so that its failures stay the scan's. With several, one that fails is left out and named
// in ReadProblems, one that is not ready yet (CalendarNotReady) left out silently; when all of
// them fail, the scan fails with what each said (CalendarNotReady when none is ready).
std::unique_ptr<CalendarApplication> CreateMergedApplication(
    const std::vector<NamedCalendar>& calendars);

// A calendar made of `calendars`, which it owns.
struct OwnedCalendar {
    std::string name;
    std::unique_ptr<CalendarApplicationFactory> calendar;
};
std::unique_ptr<CalendarApplicationFactory> MakeMergedCalendar(
    std::vector<OwnedCalendar> calendars);

// `application`, whose folder's ReadProblems end with `note`: a calendar shown with a caveat,
// such as a copy that could not be brought up to date.
std::unique_ptr<CalendarApplication> WithReadProblem(
    std::unique_ptr<CalendarApplication> application, std::string note);

}  // namespace agendix::scan
