#include "scan/win32/SystemClock.h"

#include <windows.h>

namespace agendix::scan {

LocalDateTime SystemClock::Now() const {
    SYSTEMTIME local{};
    GetLocalTime(&local);
    return {{local.wYear, local.wMonth, local.wDay}, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace agendix::scan
