#include "controls/tray/win32/Win32Tray.h"

#include <windowsx.h>

#include <stdexcept>

namespace agendix::controls {
namespace {

constexpr wchar_t kWindowClass[] = L"AgendixTrayControl";
constexpr UINT_PTR kTimer1 = 1;
// Tries again to add an icon that the shell did not take, until it does.
constexpr UINT_PTR kAddAgainTimer = 2;
constexpr UINT kAddAgainMilliseconds = 1000;

// The picture the control shows: its icon handle.
class IconPicture final : public TrayPicture {
  public:
    explicit IconPicture(HICON icon) : icon_(icon) {}
    HICON Icon() const { return icon_; }

  private:
    HICON icon_;
};

void RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hInstance = instance;
    windowClass.lpfnWndProc = DefWindowProcW;
    // A second control finds the class there already; that is no failure.
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("the tray icon's window class could not be registered");
    }
}

}  // namespace

Win32Tray::Win32Tray(HINSTANCE instance, HICON icon, ShellNotifyIconFunction shell,
                     EventHandler events)
    : icon_(icon),
      events_(std::move(events)),
      area_(std::move(shell), *this),
      logic_(*this, area_) {
    RegisterWindowClass(instance);
    // A message-only window: it is never shown, and the pointer cannot reach it, so every
    // mouse-move message it gets comes from the icon.
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, kTraySidePixels, kTraySidePixels,
                              HWND_MESSAGE, nullptr, instance, nullptr);
    if (window_ == nullptr) {
        throw std::runtime_error("the tray icon's window could not be created");
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc));
}

Win32Tray::~Win32Tray() {
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
    DestroyWindow(window_);
}

void Win32Tray::Show(bool UpDateData) {
    logic_.Show(UpDateData, tipText_, titleText_);
    AddAgainUntilTaken();
}

void Win32Tray::RestoreIcon() {
    if (logic_.IsVisible()) {
        area_.RestoreIcon();
    }
    AddAgainUntilTaken();
}

// A shell without its task bar yet (a program started at log-in, Wine's shell starting) refuses
// the icon, and not every shell announces its task bar when it comes.
void Win32Tray::AddAgainUntilTaken() {
    if (logic_.IsVisible() && !area_.IconAdded()) {
        SetTimer(window_, kAddAgainTimer, kAddAgainMilliseconds, nullptr);
    } else {
        KillTimer(window_, kAddAgainTimer);
    }
}

LRESULT CALLBACK Win32Tray::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* tray = reinterpret_cast<Win32Tray*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    // Nothing may unwind into the system's code; the host's handlers report their own failures.
    try {
        return tray->OnMessage(message, wParam, lParam);
    } catch (...) {
        return 0;
    }
}

LRESULT Win32Tray::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        area_.OnIconMessage(GET_X_LPARAM(lParam));
        return 0;
    }
    if (message == WM_TIMER && wParam == kTimer1) {
        logic_.OnTimer1();
        return 0;
    }
    if (message == WM_TIMER && wParam == kAddAgainTimer) {
        RestoreIcon();
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

std::shared_ptr<const TrayPicture> Win32Tray::Picture() {
    return icon_ != nullptr ? std::make_shared<IconPicture>(icon_) : nullptr;
}

void Win32Tray::SetTimer1Interval(int milliseconds) {
    if (milliseconds == 0) {
        KillTimer(window_, kTimer1);
    } else {
        SetTimer(window_, kTimer1, static_cast<UINT>(milliseconds), nullptr);
    }
}

void Win32Tray::RaiseEvent(TrayEvent event) {
    events_(event);
}

std::uint32_t Win32Tray::WindowHandle() {
    return static_cast<std::uint32_t>(HandleToLong(window_));
}

std::uint32_t Win32Tray::IconHandle(const TrayPicture* picture) {
    const auto* icon = dynamic_cast<const IconPicture*>(picture);
    return icon != nullptr ? static_cast<std::uint32_t>(HandleToLong(icon->Icon())) : 0;
}

}  // namespace agendix::controls
