#include "app/win32/Win32OptionsWindow.h"

#include <commctrl.h>

#include <stdexcept>

#include "app/core/SpinnerStep.h"
#include "common/win32/WideText.h"
#include "controls/host/core/Twips.h"
#include "controls/host/win32/Win32Host.h"

namespace agendix::app {
namespace {

constexpr char kWindowClass[] = "AgendixOptions";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT kTimer1Milliseconds = 60000;
// Posted by PostCalendarChanged.
constexpr UINT kCalendarChangedMessage = WM_APP + 1;
// The window caption: a right-pointing double angle quotation mark.
constexpr char kCaption[] = "\xC2\xBB";

constexpr ControlId BoxControl(OptionBox box) {
    switch (box) {
        case OptionBox::WStartup:
            return ControlId::chkWStartup;
        case OptionBox::MouseOver:
            return ControlId::chkMouseOver;
        case OptionBox::Tomorrow:
            return ControlId::chkTomorrow;
        case OptionBox::Startup:
            return ControlId::chkStartup;
    }
    return ControlId::chkWStartup;
}

struct ControlClass {
    const char* name;
    DWORD style;
};

ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Icon:
            return {"STATIC", SS_ICON};
        case ControlKind::Label:
            return {"STATIC", SS_LEFT | SS_NOPREFIX};
        case ControlKind::TextBox:
            return {"EDIT", WS_TABSTOP | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL | ES_NUMBER};
        case ControlKind::Spinner:
            return {UPDOWN_CLASSA, UDS_ARROWKEYS | UDS_NOTHOUSANDS};
        case ControlKind::CheckBox:
            return {"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX};
        case ControlKind::Button:
            return {"BUTTON", WS_TABSTOP | BS_PUSHBUTTON};
        case ControlKind::GroupBox:
            break;
    }
    return {"STATIC", 0};
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace

Win32OptionsWindow::Win32OptionsWindow(const Win32OptionsWindowServices& services)
    : services_(services),
      dpi_(controls::SystemDpi()),
      scan_(services.calendar, services.clock, *this, *this),
      handlers_({*this, scan_, *this, services.store, services.autostart, services.clock,
                 services.programPath}),
      taskbarCreated_(RegisterWindowMessageA("TaskbarCreated")) {
    CreateWindowAndControls();
    CreateMenu();
    tray1_ =
        std::make_unique<controls::Win32Tray>(services_.instance, services_.smallIcon,
                                              services_.shell, [this](controls::TrayEvent event) {
                                                  switch (event) {
                                                      case controls::TrayEvent::LeftClick:
                                                          handlers_.Tray1_LeftClick();
                                                          break;
                                                      case controls::TrayEvent::RightClick:
                                                          handlers_.Tray1_RightClick();
                                                          break;
                                                      case controls::TrayEvent::MouseOver:
                                                          handlers_.Tray1_MouseOver();
                                                          break;
                                                  }
                                              });
}

Win32OptionsWindow::~Win32OptionsWindow() {
    failureBox_.reset();
    frmOptions_.reset();
    if (window_ != nullptr) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    DestroyMenu(menu_);
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(boldFont_),
                           static_cast<HGDIOBJ>(titleFont_), static_cast<HGDIOBJ>(white_)}) {
        if (object != nullptr) {
            DeleteObject(object);
        }
    }
}

void Win32OptionsWindow::CreateWindowAndControls() {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpszClassName = kWindowClass;
    windowClass.hInstance = services_.instance;
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hIcon = services_.icon;
    windowClass.hIconSm = services_.smallIcon;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    if (RegisterClassExA(&windowClass) == 0) {
        throw std::runtime_error("the options window's class could not be registered");
    }
    // A fixed tool window: small caption, no minimise or maximise box, no taskbar button.
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, controls::TwipsToPixels(kClientWidthTwips, dpi_),
               controls::TwipsToPixels(kClientHeightTwips, dpi_)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    window_ = CreateWindowExA(exStyle, kWindowClass, kCaption, style, CW_USEDEFAULT, CW_USEDEFAULT,
                              frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                              services_.instance, this);
    if (window_ == nullptr) {
        throw std::runtime_error("the options window could not be created");
    }
    font_ = controls::CreatePointFont("MS Sans Serif", 8.25, dpi_);
    boldFont_ = controls::CreatePointFont("MS Sans Serif", 8.25, dpi_, true);
    titleFont_ = controls::CreatePointFont("MS Sans Serif", 13.5, dpi_);
    white_ = CreateSolidBrush(RGB(255, 255, 255));

    for (const ControlPlacement& placement : MainWindowControls()) {
        if (placement.kind == ControlKind::GroupBox) {
            const PixelBox box = ToPixels(placement, dpi_);
            const std::wstring caption = common::WideFromUtf8(placement.caption);
            frmOptions_ = std::make_unique<controls::Win32GroupBox>(
                services_.instance, window_,
                RECT{box.left, box.top, box.left + box.width, box.top + box.height},
                controls::GroupBoxLook{std::u16string(caption.begin(), caption.end())}, font_,
                services_.theme);
            controls_[placement.id] = frmOptions_->Window();
        } else {
            controls_[placement.id] = CreateControl(placement);
        }
    }
    SendMessageA(Control(ControlId::Image1), STM_SETICON, reinterpret_cast<WPARAM>(services_.icon),
                 0);
    SendMessageA(Control(ControlId::UpDown1), UDM_SETBUDDY,
                 reinterpret_cast<WPARAM>(Control(ControlId::txtMin)), 0);
    SendMessageA(Control(ControlId::UpDown1), UDM_SETRANGE32, kSpinnerMinimum, kSpinnerMaximum);
    SendMessageA(Control(ControlId::UpDown1), UDM_SETPOS32, 0, spinnerValue_);
}

HWND Win32OptionsWindow::CreateControl(const ControlPlacement& placement) {
    const ControlClass controlClass = ClassOf(placement.kind);
    const PixelBox box = ToPixels(placement, dpi_);
    HWND parent = placement.inGroup ? frmOptions_->Window() : window_;
    HWND control = CreateWindowExA(
        0, controlClass.name, placement.caption, WS_CHILD | WS_VISIBLE | controlClass.style,
        box.left, box.top, box.width, box.height, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(CommandId(placement.id))), services_.instance,
        nullptr);
    if (control == nullptr) {
        throw std::runtime_error(std::string("the options window's control \"") +
                                 placement.caption + "\" could not be created");
    }
    HFONT font = font_;
    if (placement.id == ControlId::cmdTray) {
        font = boldFont_;
    } else if (placement.id == ControlId::Label1) {
        font = titleFont_;
    }
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

void Win32OptionsWindow::CreateMenu() {
    menu_ = CreatePopupMenu();
    for (const MenuEntry& entry : TrayMenu()) {
        if (entry.caption == nullptr) {
            AppendMenuA(menu_, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(menu_, MF_STRING, static_cast<UINT_PTR>(entry.commandId), entry.caption);
        }
    }
}

void Win32OptionsWindow::Show() {
    handlers_.Form_Load();
    if (windowState_ == WindowState::Normal) {
        SetVisible(true);
    }
}

bool Win32OptionsWindow::PreTranslate(MSG& message) {
    if (failureBox_ && IsDialogMessageA(failureBox_->Window(), &message)) {
        return true;
    }
    return IsDialogMessageA(window_, &message) != 0;
}

void Win32OptionsWindow::PostCalendarChanged(HWND window) {
    // A null window would post to the calling thread; a window that is gone just misses it.
    if (window != nullptr) {
        PostMessageA(window, kCalendarChangedMessage, 0, 0);
    }
}

LRESULT CALLBACK Win32OptionsWindow::WindowProc(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<Win32OptionsWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    self->window_ = window;
    // The handlers report their own failures; nothing may unwind into the system's code.
    try {
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT Win32OptionsWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<const NMHDR*>(lParam), lParam);
        case WM_TIMER:
            if (wParam == kTimer1) {
                handlers_.Timer1_Timer();
            }
            return 0;
        case WM_SIZE:
            if (wParam == SIZE_MINIMIZED) {
                OnStateChanged(WindowState::Minimized);
            } else if (wParam == SIZE_RESTORED) {
                OnStateChanged(WindowState::Normal);
            }
            return 0;
        case WM_PAINT: {
            // Picture1: the white band across the top.
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(window_, &paint);
            RECT band{0, 0, controls::TwipsToPixels(kClientWidthTwips, dpi_),
                      controls::TwipsToPixels(kBandHeightTwips, dpi_)};
            FillRect(dc, &band, white_);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            const auto control = ControlOfCommand(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
            if (control == ControlId::Image1 || control == ControlId::Label1) {
                SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
                return reinterpret_cast<LRESULT>(white_);
            }
            return DefWindowProcA(window_, message, wParam, lParam);
        }
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_ENDSESSION:
            if (wParam != 0) {
                UnloadOnce();
            }
            return 0;
        case kCalendarChangedMessage:
            handlers_.Calendar_Changed();
            return 0;
        default:
            if (message == taskbarCreated_ && tray1_) {
                tray1_->RestoreIcon();
                return 0;
            }
            return DefWindowProcA(window_, message, wParam, lParam);
    }
}

void Win32OptionsWindow::OnCommand(int commandId, int notification) {
    if (const auto item = MenuItemOfCommand(commandId)) {
        switch (*item) {
            case MenuItem::mnuDoSync:
                handlers_.mnuDoSync_Click();
                break;
            case MenuItem::mnuSettings:
                handlers_.mnuSettings_Click();
                break;
            case MenuItem::mnuExit:
                handlers_.mnuExit_Click();
                break;
            default:
                break;
        }
        return;
    }
    // Enter and Escape in the window.
    if (commandId == IDCANCEL) {
        handlers_.cmdTray_Click();
        return;
    }
    const auto control = ControlOfCommand(commandId);
    if (control && notification == BN_CLICKED) {
        OnControlClicked(*control);
    }
}

void Win32OptionsWindow::OnControlClicked(ControlId id) {
    switch (id) {
        case ControlId::cmdAbout:
            handlers_.cmdAbout_Click();
            break;
        case ControlId::cmdExit:
            handlers_.cmdExit_Click();
            break;
        case ControlId::cmdTray:
            handlers_.cmdTray_Click();
            break;
        case ControlId::chkWStartup:
            handlers_.chkWStartup_Click();
            break;
        case ControlId::chkStartup:
            handlers_.chkStartup_Click();
            break;
        case ControlId::chkMouseOver:
            handlers_.chkMouseOver_Click();
            break;
        case ControlId::chkTomorrow:
            handlers_.chkTomorrow_Click();
            break;
        default:
            break;
    }
}

// The arrows step from the number the box shows (typed text included) within the spinner's
// range; a step that changes the number shown is a change.
LRESULT Win32OptionsWindow::OnNotify(const NMHDR& header, LPARAM lParam) {
    if (header.code != UDN_DELTAPOS ||
        ControlOfCommand(static_cast<int>(header.idFrom)) != ControlId::UpDown1) {
        return 0;
    }
    const auto& delta = *reinterpret_cast<const NMUPDOWN*>(lParam);
    const std::string shown = WindowText(Control(ControlId::txtMin));
    const int stepped = StepSpinner(shown, spinnerValue_, delta.iDelta > 0 ? 1 : -1);
    const bool changed = stepped != spinnerValue_ || shown != std::to_string(stepped);
    spinnerValue_ = stepped;
    SendMessageA(Control(ControlId::UpDown1), UDM_SETPOS32, 0, stepped);
    SetWindowTextA(Control(ControlId::txtMin), std::to_string(stepped).c_str());
    if (changed) {
        handlers_.UpDown1_Change();
    }
    return 1;  // the step is done here, not by the control
}

void Win32OptionsWindow::OnStateChanged(WindowState now) {
    if (now != windowState_) {
        windowState_ = now;
        handlers_.Form_Resize();
    }
}

void Win32OptionsWindow::UnloadOnce() {
    if (!unloaded_) {
        unloaded_ = true;
        handlers_.Form_Unload();
    }
}

void Win32OptionsWindow::SetTopMost() {
    SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

// Centred on the screen the first time it is shown; after that it keeps its place. Once the
// window has unloaded, a handler still running neither shows it nor brings the icon back.
void Win32OptionsWindow::SetVisible(bool visible) {
    if (!visible) {
        ShowWindow(window_, SW_HIDE);
        return;
    }
    if (unloaded_) {
        return;
    }
    if (!placed_) {
        RECT work;
        RECT own;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        GetWindowRect(window_, &own);
        SetWindowPos(window_, nullptr,
                     work.left + (work.right - work.left - (own.right - own.left)) / 2,
                     work.top + (work.bottom - work.top - (own.bottom - own.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        placed_ = true;
    }
    ShowWindow(window_, IsIconic(window_) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(window_);
}

// The minimised state is the window's own: a hidden window is not handed to the system as
// minimised, which would show it iconic when it comes back.
void Win32OptionsWindow::SetWindowState(WindowState state) {
    if (state == windowState_) {
        return;
    }
    windowState_ = state;
    if (state == WindowState::Normal && IsIconic(window_)) {
        ShowWindow(window_, SW_RESTORE);
    }
    handlers_.Form_Resize();
}

void Win32OptionsWindow::SetTimerEnabled(bool enabled) {
    if (enabled) {
        SetTimer(window_, kTimer1, kTimer1Milliseconds, nullptr);
    } else {
        KillTimer(window_, kTimer1);
    }
}

int Win32OptionsWindow::BoxValue(OptionBox box) const {
    return SendMessageA(Control(BoxControl(box)), BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

// A change made here raises the box's click handler, as a click does.
void Win32OptionsWindow::SetBoxValue(OptionBox box, int value) {
    if (BoxValue(box) == value) {
        return;
    }
    SendMessageA(Control(BoxControl(box)), BM_SETCHECK, value == 1 ? BST_CHECKED : BST_UNCHECKED,
                 0);
    OnControlClicked(BoxControl(box));
}

void Win32OptionsWindow::SetIntervalText(const std::string& text) {
    SetWindowTextA(Control(ControlId::txtMin), text.c_str());
}

int Win32OptionsWindow::SpinnerValue() const {
    return spinnerValue_;
}

// The menu comes up at the pointer; the window goes to the foreground first so that the menu
// closes when the user clicks elsewhere. The chosen item arrives as a command afterwards.
void Win32OptionsWindow::PopUpTrayMenu() {
    POINT pointer;
    GetCursorPos(&pointer);
    SetForegroundWindow(window_);
    TrackPopupMenu(menu_, 0, pointer.x, pointer.y, 0, window_, nullptr);
    PostMessageA(window_, WM_NULL, 0, 0);
}

void Win32OptionsWindow::ShowAboutBox() {
    services_.showAboutBox(window_);
}

void Win32OptionsWindow::Unload() {
    UnloadOnce();
    ShowWindow(window_, SW_HIDE);
    PostQuitMessage(0);
}

// Lets the pending messages run once; a quit request stays for the message loop.
void Win32OptionsWindow::ProcessPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!PreTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void Win32OptionsWindow::ShowFailure(const std::string& message) {
    if (!failureBox_) {
        failureBox_ = std::make_unique<FailureBox>(services_.instance, window_, services_.app.Title,
                                                   font_, dpi_);
    }
    failureBox_->Show(message);
}

void Win32OptionsWindow::CloseFailure() {
    if (failureBox_) {
        failureBox_->Close();
    }
}

void Win32OptionsWindow::SetTrayToolTipTitle(const std::string& title) {
    tray1_->SetTrayToolTipTitle(title);
}

void Win32OptionsWindow::SetTrayToolTip(const std::string& text) {
    tray1_->SetTrayToolTip(text);
}

void Win32OptionsWindow::Show(bool UpDateData) {
    if (!(UpDateData && unloaded_)) {
        tray1_->Show(UpDateData);
    }
}

}  // namespace agendix::app
