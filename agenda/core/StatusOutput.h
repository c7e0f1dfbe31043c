#pragma once

#include <string>
#include <string_view>

#include "scan/core/BarStatus.h"

namespace agendix::agenda {

// The status as one line of JSON for a waybar custom module (return-type json): text, tooltip,
// class and alt (both the state's name) and percentage, then a line end.
std::string StatusLine(const scan::BarStatus& status);

// Writes `line` to the standard output at once. False when it could not be written: the reader
// has gone (SIGPIPE is ignored) or the output is otherwise broken.
bool WriteOutput(std::string_view line);

}  // namespace agendix::agenda
