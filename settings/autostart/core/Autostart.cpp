#include "settings/autostart/core/Autostart.h"

namespace agendix::settings {

void RegisterAutostart(LogInStarter& starter, std::string_view programPath,
                       std::string_view entryName) {
    starter.StartAtLogIn(entryName, programPath);
}

void UnregisterAutostart(LogInStarter& starter, std::string_view entryName) noexcept {
    try {
        starter.StopStartingAtLogIn(entryName);
    } catch (...) {
        // Nothing to remove, no right to remove it or no way to reach the list: the caller is
        // not told.
    }
}

}  // namespace agendix::settings
