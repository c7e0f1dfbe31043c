#include "controls/tray/win32/NativeNotifyIconData.h"

#include <algorithm>

namespace agendix::controls {
namespace {

using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;

template <std::size_t N>
void CopyText(const NotifyIconData& data, TextField field, CHAR (&target)[N]) {
    static_assert(N > 0);
    const auto begin =
        data.Bytes().begin() + static_cast<std::ptrdiff_t>(NotifyIconData::Offset(field));
    std::copy_n(begin, std::min(N, NotifyIconData::Width(field)), target);
}

// A handle as the system widens a 32-bit one: with its sign.
template <typename Handle>
Handle WidenHandle(std::uint32_t value) {
    return static_cast<Handle>(LongToHandle(static_cast<LONG>(value)));
}

}  // namespace

NOTIFYICONDATAA ToNativeRecord(const NotifyIconData& data) {
    NOTIFYICONDATAA native{};
    native.cbSize = NOTIFYICONDATAA_V2_SIZE;
    native.hWnd = WidenHandle<HWND>(data.Get(Field::hWnd));
    native.uID = data.Get(Field::uID);
    native.uFlags = data.Get(Field::uFlags);
    native.uCallbackMessage = data.Get(Field::uCallbackMessage);
    native.hIcon = WidenHandle<HICON>(data.Get(Field::hIcon));
    CopyText(data, TextField::szTip, native.szTip);
    native.dwState = data.Get(Field::dwState);
    native.dwStateMask = data.Get(Field::dwStateMask);
    CopyText(data, TextField::szInfo, native.szInfo);
    native.uTimeout = data.Get(Field::uTimeout);
    CopyText(data, TextField::szInfoTitle, native.szInfoTitle);
    native.dwInfoFlags = data.Get(Field::dwInfoFlags);
    return native;
}

BOOL SendToShell(DWORD dwMessage, const NotifyIconData& data) {
    NOTIFYICONDATAA native = ToNativeRecord(data);
    return Shell_NotifyIconA(dwMessage, &native);
}

}  // namespace agendix::controls
