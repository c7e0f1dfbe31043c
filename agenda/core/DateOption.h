#pragma once

#include <optional>
#include <string_view>

#include "scan/core/LocalDateTime.h"

namespace agendix::agenda {

// The date of a "YYYY-MM-DD" option value; nothing when it is not a real date in that form.
std::optional<scan::CalendarDate> ParseDateOption(std::string_view text);

}  // namespace agendix::agenda
