#include "controls/groupbox/win32/SystemThemeApi.h"

#include <uxtheme.h>

namespace agendix::controls {

void SystemThemeApi::GetVersionExA(OSVERSIONINFOA& info) const {
    ::GetVersionExA(&info);
}

int SystemThemeApi::IsAppThemed() const {
    return ::IsAppThemed();
}

// The common controls this program uses: the version its manifest asks for when the system has
// it. A library without DllGetVersion leaves the record as it was.
void SystemThemeApi::DllGetVersion(DLLVERSIONINFO& info) const {
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    if (controls == nullptr) {
        return;
    }
    const auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(controls, "DllGetVersion")));
    if (getVersion != nullptr) {
        getVersion(&info);
    }
}

}  // namespace agendix::controls
