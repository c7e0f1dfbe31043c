#pragma once

// Starting at log-in on Windows: a named value in the current user's start-up list (the Run key),
// written and deleted through the script shell's registry members. The shell object is created
// for each call, by its program identifier, and released before the call returns. The per-user
// list needs no administrator's rights, and the option is on by default, so a machine-wide one
// would fail at every start of an ordinary user.

#include <memory>
#include <string_view>

#include "settings/autostart/core/Autostart.h"

namespace agendix::settings {

// The start-up list; a value's full name is this key followed by the value's name.
inline constexpr char kRunKey[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\";
// The machine-wide start-up list, where earlier installations wrote the value. Stopping removes
// a value there too, where the user is allowed to.
inline constexpr char kMachineRunKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";

// The script shell's registry members. Both throw AutostartError on failure.
class ScriptShell {
  public:
    virtual ~ScriptShell() = default;
    // Creates or replaces the named value with `value` as its text.
    virtual void RegWrite(std::string_view fullName, std::string_view value) = 0;
    // Removes the named value; fails when there is none.
    virtual void RegDelete(std::string_view fullName) = 0;
};

class ScriptShellFactory {
  public:
    virtual ~ScriptShellFactory() = default;
    // A new shell object for the program identifier; identifiers ignore letter case. Throws
    // AutostartError when there is no such object.
    virtual std::unique_ptr<ScriptShell> CreateObject(std::string_view programId) = 0;
};

// The start-up list through script shells that `shells` creates.
class ScriptShellAutostart final : public LogInStarter {
  public:
    explicit ScriptShellAutostart(ScriptShellFactory& shells) : shells_(shells) {}

    void StartAtLogIn(std::string_view entryName, std::string_view programPath) override;
    void StopStartingAtLogIn(std::string_view entryName) override;

  private:
    ScriptShellFactory& shells_;
};

}  // namespace agendix::settings
