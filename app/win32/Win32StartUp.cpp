#include "app/win32/Win32StartUp.h"

#include <commctrl.h>

#include <filesystem>

#include "common/win32/WideText.h"

namespace agendix::app {

InstanceMutex::InstanceMutex(const wchar_t* name)
    : mutex_(CreateMutexW(nullptr, FALSE, name)),
      prevInstance_(GetLastError() == ERROR_ALREADY_EXISTS) {}

InstanceMutex::~InstanceMutex() {
    if (mutex_ != nullptr) {
        CloseHandle(mutex_);
    }
}

common::ApplicationInfo CurrentApplicationInfo(bool prevInstance) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::filesystem::path file(path);
    common::ApplicationInfo info;
    info.PrevInstance = prevInstance;
    info.EXEName = common::Utf8FromWide(file.stem().wstring());
    info.Path = common::Utf8FromWide(file.parent_path().wstring());
    info.Title = "Agendix";
    info.Major = AGENDIX_VERSION_MAJOR;
    info.Minor = AGENDIX_VERSION_MINOR;
    info.Revision = AGENDIX_VERSION_REVISION;
    return info;
}

// The spin control and the standard controls; the result does not matter, as with the
// system's own InitCommonControls.
void Win32StartUp::InitCommonControls() {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&controls);
}

void Win32StartUp::SendUsageReport(const std::string& appName, const std::string& version) {
    settings::SendUsageReport(counter_, appName, version);
}

}  // namespace agendix::app
