#include "about/win32/SystemSysInfo.h"

#include <shellapi.h>

namespace agendix::about {

LONG SystemRegistry::OpenKey(HKEY root, const std::string& keyName, REGSAM access, HKEY& key) {
    return RegOpenKeyExA(root, keyName.c_str(), 0, access, &key);
}

LONG SystemRegistry::QueryValue(HKEY key, const std::string& valueName, DWORD& type, BYTE* data,
                                DWORD& size) {
    return RegQueryValueExA(key, valueName.c_str(), nullptr, &type, data, &size);
}

LONG SystemRegistry::CloseKey(HKEY key) {
    return RegCloseKey(key);
}

std::string SystemSysInfoFiles::ProgramIn(const std::string& folder) {
    const std::string program = folder + "\\MSINFO32.EXE";
    const DWORD attributes = GetFileAttributesA(program.c_str());
    const bool isFile =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return isFile ? program : std::string();
}

// ShellExecute reports success with a value above 32.
bool SystemSysInfoFiles::StartProgram(const std::string& path) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

bool ShellUrlOpener::OpenUrl(const std::string& target) {
    const auto result = reinterpret_cast<INT_PTR>(
        ShellExecuteA(owner_, "Open", target.c_str(), "", "", SW_SHOWNORMAL));
    return result > 32;
}

void Win32MessageService::ShowMessage(const std::string& text, const std::string& caption) {
    const std::string& shownCaption = caption.empty() ? title_ : caption;
    MessageBoxA(owner_, text.c_str(), shownCaption.c_str(), MB_OK);
}

}  // namespace agendix::about
