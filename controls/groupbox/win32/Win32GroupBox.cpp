#include "controls/groupbox/win32/Win32GroupBox.h"

#include <uxtheme.h>
#include <vssym32.h>

#include <stdexcept>

namespace agendix::controls {
namespace {

constexpr wchar_t kWindowClass[] = L"AgendixGroupBox";

void RegisterWindowClass(HINSTANCE instance, WNDPROC windowProc) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hInstance = instance;
    windowClass.lpfnWndProc = windowProc;
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("the group box's window class could not be registered");
    }
}

void FillBox(HDC dc, const Rect& box, COLORREF color) {
    const RECT rect{box.left, box.top, box.right, box.bottom};
    SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
}

// A box outline from corner (x1, y1) to corner (x2, y2), both included, with a pen of `width`.
void OutlineBox(HDC dc, int x1, int y1, int x2, int y2, int width, COLORREF color) {
    for (const Rect& band : OutlineBands(x1, y1, x2, y2, width)) {
        FillBox(dc, band, color);
    }
}

LPCWSTR Text(const std::u16string& text) {
    return reinterpret_cast<LPCWSTR>(text.c_str());
}

}  // namespace

COLORREF ToColorRef(std::uint32_t value) {
    if (IsSystemColor(value)) {
        return GetSysColor(SystemColorIndex(value));
    }
    return static_cast<COLORREF>(value & 0x00FFFFFFu);
}

Win32GroupBox::Win32GroupBox(HINSTANCE instance, HWND parent, const RECT& bounds, GroupBoxLook look,
                             HFONT font, const ThemeTest& theme)
    : look_(std::move(look)), font_(font), theme_(theme) {
    RegisterWindowClass(instance, &WindowProc);
    // Tab and the arrow keys move into the controls it contains.
    window_ = CreateWindowExW(WS_EX_CONTROLPARENT, kWindowClass, Text(look_.caption),
                              WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, bounds.left, bounds.top,
                              bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                              nullptr, instance, this);
    if (window_ == nullptr) {
        throw std::runtime_error("the group box's window could not be created");
    }
}

Win32GroupBox::~Win32GroupBox() {
    SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
}

LRESULT CALLBACK Win32GroupBox::WindowProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* box = reinterpret_cast<Win32GroupBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (box == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    box->window_ = window;
    // Nothing may unwind into the system's code.
    try {
        return box->OnMessage(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

LRESULT Win32GroupBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole client area
        case WM_SIZE:
        case WM_THEMECHANGED:
            InvalidateRect(window_, nullptr, FALSE);
            return 0;
        // What the contained controls report belongs to the window that holds the group.
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_VSCROLL:
        case WM_HSCROLL:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
            return SendMessageW(GetParent(window_), message, wParam, lParam);
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// Drawn off screen and copied in one go: the window never shows a half-drawn frame.
void Win32GroupBox::Paint() {
    PAINTSTRUCT paint;
    HDC windowDc = BeginPaint(window_, &paint);
    RECT client;
    GetClientRect(window_, &client);
    HDC dc = CreateCompatibleDC(windowDc);
    HBITMAP image = CreateCompatibleBitmap(windowDc, client.right, client.bottom);
    HGDIOBJ oldImage = SelectObject(dc, image);
    DrawGroupBox(dc);
    BitBlt(windowDc, 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(dc, oldImage);
    DeleteObject(image);
    DeleteDC(dc);
    EndPaint(window_, &paint);
}

void Win32GroupBox::DrawGroupBox(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    FillBox(dc, {0, 0, client.right, client.bottom}, ToColorRef(look_.backColor));
    if (look_.borderStyle == 0) {
        return;
    }
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    const std::u16string measured = ProcessCaption(look_.caption).measuredText;
    SIZE captionSize{};
    GetTextExtentPoint32W(dc, Text(measured), static_cast<int>(measured.size()), &captionSize);
    const GroupBoxGeometry geometry =
        ComputeGeometry(captionSize.cx, captionSize.cy, client.right, client.bottom);
    if (theme_.CanDrawThemed()) {
        DrawThemed(dc, geometry);
    } else {
        DrawClassic(dc, geometry, captionSize);
    }
    SelectObject(dc, oldFont);
}

void Win32GroupBox::DrawThemed(HDC dc, const GroupBoxGeometry& geometry) {
    HTHEME theme = OpenThemeData(window_, L"BUTTON");
    const RECT frame{geometry.frame.left, geometry.frame.top, geometry.frame.right,
                     geometry.frame.bottom};
    DrawThemeBackground(theme, dc, BP_GROUPBOX, 0, &frame, nullptr);
    FillCaptionBackground(dc, geometry);
    BOOL cuesShown = FALSE;
    SystemParametersInfoW(SPI_GETKEYBOARDCUES, 0, &cuesShown, 0);
    const DWORD textFlags = cuesShown ? 0 : DT_HIDEPREFIX;
    RECT caption{geometry.caption.left, geometry.caption.top, geometry.caption.right,
                 geometry.caption.bottom};
    // A disabled group shows its caption greyed, as the classic look does.
    DrawThemeText(theme, dc, BP_GROUPBOX, GBS_NORMAL, Text(look_.caption),
                  static_cast<int>(look_.caption.size()), textFlags, look_.enabled ? 0 : DTT_GRAYED,
                  &caption);
    if (theme != nullptr) {
        CloseThemeData(theme);
    }
}

void Win32GroupBox::DrawClassic(HDC dc, const GroupBoxGeometry& geometry, SIZE captionSize) {
    const Rect& frame = geometry.frame;
    if (look_.appearance == 0) {
        OutlineBox(dc, frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1, 2,
                   RGB(255, 255, 255));
        OutlineBox(dc, frame.left, frame.top, frame.right - 1, frame.bottom - 1, 1, RGB(0, 0, 0));
    } else {
        RECT edge{frame.left, frame.top, frame.right, frame.bottom};
        DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    }
    FillCaptionBackground(dc, geometry);
    SetTextColor(dc, ToColorRef(look_.foreColor));
    SetBkMode(dc, TRANSPARENT);
    DrawStateW(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(Text(look_.caption)),
               static_cast<WPARAM>(look_.caption.size()), kCaptionTextLeft, 0, captionSize.cx,
               captionSize.cy, DST_PREFIXTEXT | (look_.enabled ? 0 : DSS_DISABLED));
}

void Win32GroupBox::FillCaptionBackground(HDC dc, const GroupBoxGeometry& geometry) {
    if (!look_.caption.empty()) {
        FillBox(dc, geometry.captionBackground, ToColorRef(look_.backColor));
    }
}

}  // namespace agendix::controls
