#pragma once

#include <QString>

namespace agendix::settings {

// The user's configuration folder, looked up at every call: $XDG_CONFIG_HOME when it is set to
// an absolute path, else ~/.config (a relative value is ignored, as the XDG base directory rules
// require).
QString UserConfigDirectory();

}  // namespace agendix::settings
