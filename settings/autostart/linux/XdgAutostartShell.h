#pragma once

// The script shell on Linux. Its start-up list is the user's XDG autostart folder: the value
// kRunKey + name is the desktop entry <folder>/<name>.desktop, and its text the program path
// that the entry starts. The folder is per user: the system-wide one is not writable for an
// ordinary user, and the option is on by default, so it would fail at every start.

#include <QString>

#include "settings/autostart/core/Autostart.h"

namespace agendix::settings {

class XdgAutostartShellFactory final : public ScriptShellFactory {
  public:
    // Entries go to `autostartFolder`; when it is empty, to $XDG_CONFIG_HOME/autostart as the
    // environment gives it at each call.
    explicit XdgAutostartShellFactory(QString autostartFolder = {});

    // The only object there is: "WScript.Shell", in any letter case.
    std::unique_ptr<ScriptShell> CreateObject(std::string_view programId) override;

  private:
    QString autostartFolder_;
};

}  // namespace agendix::settings
