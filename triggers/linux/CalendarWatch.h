#pragma once

#include <vector>

#include "scan/linux/IcalCalendar.h"
#include "triggers/core/WatchTarget.h"
#include "triggers/linux/FolderWatch.h"

namespace agendix::triggers {

// What to watch for the calendar at `calendar`: the file (in its folder, by name) or the folder of
// calendar files, and where a symbolic link to it points too.
std::vector<WatchTarget> CalendarTargets(const std::filesystem::path& calendar);

// What to watch for the default calendar: the profile file that names it (calendar.conf, since
// editing it moves the calendar) and the calendar itself, a file (in its folder, by name) or a
// folder of calendar files; a calendar reached through a symbolic link is watched where the link
// points too. A profile that cannot be read leaves the profile alone to watch.
std::vector<WatchTarget> DefaultCalendarTargets(const common::EnvironmentLookup& environment);

// Tells the program to scan when the default calendar changes: Changed("the calendar changed").
class CalendarWatch : public FolderWatch {
  public:
    explicit CalendarWatch(common::EnvironmentLookup environment, QObject* parent = nullptr);
};

}  // namespace agendix::triggers
