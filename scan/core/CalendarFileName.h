#pragma once

#include <string_view>

#include "common/core/Ascii.h"

namespace agendix::scan {

// Whether a folder calendar lists the file `name`: an .ics file in any letter case that is not
// hidden (hidden files are the temporary files of synchronisers).
inline bool IsCalendarFileName(std::string_view name) {
    return !name.empty() && name.front() != '.' && common::EndsWithNoCase(name, ".ics");
}

}  // namespace agendix::scan
