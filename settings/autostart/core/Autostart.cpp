#include "settings/autostart/core/Autostart.h"

namespace agendix::settings {
namespace {

std::string FullName(std::string_view entryName) {
    return kRunKey + std::string(entryName);
}

}  // namespace

void RegisterAutostart(ScriptShellFactory& shells, std::string_view programPath,
                       std::string_view entryName) {
    const std::unique_ptr<ScriptShell> shell = shells.CreateObject("wscript.shell");
    shell->RegWrite(FullName(entryName), programPath);
}

void UnregisterAutostart(ScriptShellFactory& shells, std::string_view entryName) noexcept {
    try {
        const std::unique_ptr<ScriptShell> shell = shells.CreateObject("Wscript.Shell");
        shell->RegDelete(FullName(entryName));
    } catch (...) {
        // Nothing to remove, no right to remove it or no shell: the caller is not told.
    }
}

}  // namespace agendix::settings
