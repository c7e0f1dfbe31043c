#pragma once

// What agendix-agenda's one-shot command and its --follow program share on Linux: the usage and
// the calendars the options name.

#include <memory>

#include "agenda/core/Command.h"
#include "scan/linux/EdsCalendar.h"

namespace agendix::agenda {

extern const char kUsage[];

// The calendars named with --calendar merged (see scan/core/MergedCalendar.h), else the default
// ones. A calendar of the calendar service calls `changed` (from its worker thread) when it has
// news.
std::unique_ptr<scan::CalendarApplicationFactory> OpenCalendar(
    const Options& options, scan::CalendarChanged changed = nullptr);

}  // namespace agendix::agenda
