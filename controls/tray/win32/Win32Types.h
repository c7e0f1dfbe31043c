#pragma once

// The few Win32 names of the notification-icon interface that the win32 layer uses. A Windows
// build takes them from the system headers; elsewhere they are declared here with the values
// the system gives them.
#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#else
#include <cstdint>

using BOOL = int;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;

// The messages of Shell_NotifyIconA.
inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;

// Bits of uFlags: which members of the record the shell reads.
inline constexpr UINT NIF_MESSAGE = 0x01;
inline constexpr UINT NIF_ICON = 0x02;
inline constexpr UINT NIF_TIP = 0x04;
inline constexpr UINT NIF_INFO = 0x10;

// Mouse message numbers the shell reports in a callback.
inline constexpr UINT WM_MOUSEMOVE = 0x200;
inline constexpr UINT WM_LBUTTONDOWN = 0x201;
inline constexpr UINT WM_RBUTTONDOWN = 0x204;
#endif
