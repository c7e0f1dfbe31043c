#pragma once

// The version records the theme test reads. A Windows build takes them from the platform's
// headers; elsewhere they are declared here, with the same names, layout and sizes.

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it builds on.
#include <shlwapi.h>
#else
#include <cstdint>

using DWORD = std::uint32_t;
using CHAR = char;

// The operating-system version record (GetVersionExA).
struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
static_assert(sizeof(OSVERSIONINFOA) == 148);

// A library's version record (DllGetVersion), here that of the common controls.
struct DLLVERSIONINFO {
    DWORD cbSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformID;
};
static_assert(sizeof(DLLVERSIONINFO) == 20);
#endif
