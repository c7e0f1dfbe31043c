#include "settings/autostart/win32/ScriptShellAutostart.h"

#include <string>

namespace agendix::settings {
namespace {

std::string FullName(std::string_view entryName) {
    return kRunKey + std::string(entryName);
}

// Removes the machine-wide value of an earlier installation where there is one and the user may
// remove it; anything else leaves it.
void RemoveMachineWideValue(ScriptShell& shell, std::string_view entryName) {
    try {
        shell.RegDelete(kMachineRunKey + std::string(entryName));
    } catch (const AutostartError&) {
    }
}

}  // namespace

void ScriptShellAutostart::StartAtLogIn(std::string_view entryName, std::string_view programPath) {
    const std::unique_ptr<ScriptShell> shell = shells_.CreateObject("wscript.shell");
    shell->RegWrite(FullName(entryName), programPath);
}

void ScriptShellAutostart::StopStartingAtLogIn(std::string_view entryName) {
    const std::unique_ptr<ScriptShell> shell = shells_.CreateObject("Wscript.Shell");
    RemoveMachineWideValue(*shell, entryName);
    shell->RegDelete(FullName(entryName));
}

}  // namespace agendix::settings
