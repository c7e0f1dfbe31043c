#pragma once

// The registry's types and constants that the system-information lookup uses. A Windows build
// takes them from the platform's headers; elsewhere they are declared here, with the same names,
// sizes and values.

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdint>

struct HKEY__;
using HKEY = HKEY__*;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using REGSAM = DWORD;
using BYTE = unsigned char;

inline HKEY const HKEY_LOCAL_MACHINE =
    reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000002U));
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr DWORD REG_SZ = 1;     // text
inline constexpr DWORD REG_DWORD = 4;  // 32-bit number, little-endian
inline constexpr LONG ERROR_SUCCESS = 0;
inline constexpr LONG ERROR_FILE_NOT_FOUND = 2;
inline constexpr LONG ERROR_MORE_DATA = 234;
#endif
