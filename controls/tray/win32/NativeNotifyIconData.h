#pragma once

// The record as this program's own shell reads it. NotifyIconData is the 8-bit record of a
// 32-bit program (488 bytes, 4-byte handles); a 64-bit program hands the shell its own 8-bit
// record, 504 bytes with 8-byte handles and the padding that aligns them. Window and icon handles
// are 32-bit values on every Windows (so that 32- and 64-bit programs can share them): the
// record's 32 bits are widened with their sign, as the system widens a handle a 32-bit program
// passes. Built for Windows only.

#include "controls/tray/win32/NotifyIconData.h"
#include "controls/tray/win32/Win32Types.h"

namespace agendix::controls {

// The record's members in the layout of this program's NOTIFYICONDATAA, up to its version-2 end
// (the size the shell is told): numbers and handles copied, texts copied byte for byte.
NOTIFYICONDATAA ToNativeRecord(const NotifyIconData& data);

// Shell_NotifyIconA with the native record.
BOOL SendToShell(DWORD dwMessage, const NotifyIconData& data);

}  // namespace agendix::controls
