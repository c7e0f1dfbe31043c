#pragma once

// Desktop entries (the freedesktop.org format) that start a program at log-in.

#include <string>
#include <string_view>

namespace agendix::settings {

// `programPath` as one argument of an Exec key, as it stands in the file. Two escapings apply in
// turn: the command line's (quoted, with the characters that are special inside quotes escaped
// by a backslash, and "%" doubled so that it is no field code), then that of every string value
// (each backslash doubled, those the first escaping added included): `"` becomes `\\"`.
std::string ExecArgument(std::string_view programPath);

// The whole entry named `entryName` that starts `programPath` with no arguments. Throws
// AutostartError when the path is not absolute or a name or path cannot stand in a desktop
// entry (not UTF-8 text, or holding control characters).
std::string AutostartDesktopEntry(std::string_view entryName, std::string_view programPath);

}  // namespace agendix::settings
