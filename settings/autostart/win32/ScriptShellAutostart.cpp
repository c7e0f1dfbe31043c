#include "settings/autostart/win32/ScriptShellAutostart.h"

#include <string>

namespace agendix::settings {
namespace {

std::string FullName(std::string_view entryName) {
    return kRunKey + std::string(entryName);
}

}  // namespace

void ScriptShellAutostart::StartAtLogIn(std::string_view entryName, std::string_view programPath) {
    const std::unique_ptr<ScriptShell> shell = shells_.CreateObject("wscript.shell");
    shell->RegWrite(FullName(entryName), programPath);
}

void ScriptShellAutostart::StopStartingAtLogIn(std::string_view entryName) {
    const std::unique_ptr<ScriptShell> shell = shells_.CreateObject("Wscript.Shell");
    shell->RegDelete(FullName(entryName));
}

}  // namespace agendix::settings
