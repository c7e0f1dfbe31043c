#pragma once

#include <QByteArray>

#include "BarStatus.h"

namespace agendix::scan::agenda {

// The status as one line of JSON for a waybar custom module (return-type json): text, tooltip,
// class and alt (both the state's name) and percentage, then a line end.
QByteArray StatusLine(const BarStatus& status);

// Writes `line` to the standard output at once. False when it could not be written: the reader
// has gone (SIGPIPE is ignored) or the output is otherwise broken.
bool WriteOutput(const QByteArray& line);

}  // namespace agendix::scan::agenda
