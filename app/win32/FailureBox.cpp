#include "app/win32/FailureBox.h"

#include <algorithm>
#include <stdexcept>

#include "controls/host/core/Twips.h"

namespace agendix::app {
namespace {

constexpr char kWindowClass[] = "AgendixFailureBox";
// The text's width, and the margins around text and button, in twips.
constexpr int kTextWidthTwips = 5400;
constexpr int kMarginTwips = 180;
constexpr int kButtonWidthTwips = 1125;
constexpr int kButtonHeightTwips = 345;

}  // namespace

FailureBox::FailureBox(HINSTANCE instance, HWND owner, std::string title, HFONT font,
                       int dotsPerInch)
    : font_(font), dpi_(dotsPerInch) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hInstance = instance;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    if (RegisterClassExA(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("the message box's window class could not be registered");
    }
    window_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_DLGMODALFRAME, kWindowClass, title.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                              100, owner, nullptr, instance, nullptr);
    text_ = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 0,
                            10, 10, window_, nullptr, instance, nullptr);
    ok_ = CreateWindowExA(0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                          0, 0, 10, 10, window_, reinterpret_cast<HMENU>(IDOK), instance, nullptr);
    if (window_ == nullptr || text_ == nullptr || ok_ == nullptr) {
        throw std::runtime_error("the message box could not be created");
    }
    SendMessageA(text_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    SendMessageA(ok_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
}

FailureBox::~FailureBox() {
    DestroyWindow(window_);
}

void FailureBox::Show(const std::string& message) {
    SetWindowTextA(text_, message.c_str());
    Arrange(message);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetForegroundWindow(window_);
    SetFocus(ok_);
}

void FailureBox::Close() {
    ShowWindow(window_, SW_HIDE);
}

// The box fits its text: a fixed width, as many lines as the text needs, centred on the screen.
void FailureBox::Arrange(const std::string& message) {
    using controls::TwipsToPixels;
    const int margin = TwipsToPixels(kMarginTwips, dpi_);
    const int buttonWidth = TwipsToPixels(kButtonWidthTwips, dpi_);
    const int buttonHeight = TwipsToPixels(kButtonHeightTwips, dpi_);
    RECT text{0, 0, TwipsToPixels(kTextWidthTwips, dpi_), 0};
    HDC dc = GetDC(text_);
    const HGDIOBJ oldFont = SelectObject(dc, font_);
    DrawTextA(dc, message.c_str(), -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    ReleaseDC(text_, dc);
    const int textWidth = std::max<int>(text.right, buttonWidth);
    MoveWindow(text_, margin, margin, textWidth, text.bottom, FALSE);
    const int buttonTop = margin + text.bottom + margin;
    MoveWindow(ok_, margin + (textWidth - buttonWidth) / 2, buttonTop, buttonWidth, buttonHeight,
               FALSE);

    RECT frame{0, 0, margin + textWidth + margin, buttonTop + buttonHeight + margin};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(window_, GWL_EXSTYLE)));
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window_, HWND_TOPMOST, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, width, height, SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, TRUE);
}

// OK, Enter, Escape and the close box all hide the box; it is kept for the next message.
LRESULT CALLBACK FailureBox::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if ((message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) ||
        message == WM_CLOSE) {
        ShowWindow(window, SW_HIDE);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace agendix::app
