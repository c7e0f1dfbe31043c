#pragma once

// The script shell's two registry members over the registry API itself: RegWrite of a text value
// and RegDelete of a value, named in full ("HKEY_CURRENT_USER\...\Run\Agendix"). The API does
// what the script shell does for these two calls, and also where the shell cannot delete (Wine's
// RegDelete fails). Built for Windows only.

#include <memory>
#include <string_view>

#include "settings/autostart/win32/ScriptShellAutostart.h"

namespace agendix::settings {

class RegistryScriptShells final : public ScriptShellFactory {
  public:
    // Knows the script shell ("WScript.Shell", in any letter case) only.
    std::unique_ptr<ScriptShell> CreateObject(std::string_view programId) override;
};

}  // namespace agendix::settings
