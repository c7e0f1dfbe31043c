#pragma once

// Starting at log-in on Linux: the user's XDG autostart folder holds the desktop entry
// <folder>/<name>.desktop that starts the program path. The folder is per user: the system-wide
// one is not writable for an ordinary user, and the option is on by default, so it would fail at
// every start.

#include <QString>

#include "settings/autostart/core/Autostart.h"

namespace agendix::settings {

class XdgAutostart final : public LogInStarter {
  public:
    // Entries go to `autostartFolder`; when it is empty, to $XDG_CONFIG_HOME/autostart as the
    // environment gives it at each call.
    explicit XdgAutostart(QString autostartFolder = {});

    // Writes the entry in one step (a reader never sees half of it). The name must be a plain
    // file name: not empty, no folder separators, not hidden.
    void StartAtLogIn(std::string_view entryName, std::string_view programPath) override;
    void StopStartingAtLogIn(std::string_view entryName) override;

  private:
    QString EntryFile(std::string_view entryName) const;

    QString autostartFolder_;
};

}  // namespace agendix::settings
