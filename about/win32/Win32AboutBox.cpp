#include "about/win32/Win32AboutBox.h"

#include <array>
#include <cstdint>
#include <vector>

#include "about/win32/AboutPictures.h"
#include "about/win32/SystemSysInfo.h"
#include "controls/host/core/Twips.h"
#include "controls/host/win32/Win32Host.h"

namespace agendix::about {
namespace {

// Control ids; OK closes the box with Enter and with Escape alike.
enum ControlId : int {
    kOk = IDOK,
    kSysInfo = 100,
    kIcon,
    kTitle,
    kVersion,
    kDescription,
    kSeparator,
    kMailLink,
    kWebLink,
    kMailPicture,
    kWebPicture,
    kDisclaimer,
};

// The dialog's client area and its controls, in twips.
constexpr int kClientWidth = 5730;
constexpr int kClientHeight = 3795;

struct Placement {
    int id;
    const char* windowClass;
    DWORD style;
    int left, top, width, height;
};

constexpr std::array kControls{
    Placement{kIcon, "STATIC", SS_ICON, 240, 240, 480, 480},
    Placement{kTitle, "STATIC", SS_LEFT | SS_NOPREFIX, 1050, 240, 4425, 480},
    Placement{kVersion, "STATIC", SS_LEFT | SS_NOPREFIX, 1050, 780, 4425, 225},
    Placement{kDescription, "STATIC", SS_LEFT | SS_NOPREFIX, 1050, 1125, 4425, 570},
    Placement{kSeparator, "STATIC", SS_ETCHEDHORZ, 84, 1980, 5562, 30},
    Placement{kMailLink, "STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 1050, 2130, 3000, 255},
    Placement{kWebLink, "STATIC", SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 1050, 2430, 3000, 255},
    // The pictures keep their own pixel sizes (14 x 10 and 21 x 19), left of their links.
    Placement{kMailPicture, "STATIC", SS_BITMAP, 780, 2175, 210, 150},
    Placement{kWebPicture, "STATIC", SS_BITMAP, 690, 2415, 315, 285},
    Placement{kDisclaimer, "STATIC", SS_LEFT | SS_NOPREFIX, 255, 2880, 3870, 765},
    Placement{kOk, "BUTTON", BS_DEFPUSHBUTTON | WS_TABSTOP, 4245, 2880, 1260, 375},
    Placement{kSysInfo, "BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 4245, 3330, 1260, 375},
};

// What the open dialog holds.
class AboutDialog {
  public:
    AboutDialog(HINSTANCE instance, const common::ApplicationInfo& app, HICON icon,
                SysInfoTool& sysInfo)
        : instance_(instance), app_(app), icon_(icon), sysInfo_(sysInfo) {}
    ~AboutDialog() {
        for (HGDIOBJ object : {HGDIOBJ(font_), HGDIOBJ(titleFont_), HGDIOBJ(boldFont_),
                               HGDIOBJ(linkFont_), HGDIOBJ(pictures_[0]), HGDIOBJ(pictures_[1])}) {
            if (object != nullptr) {
                DeleteObject(object);
            }
        }
    }
    AboutDialog(const AboutDialog&) = delete;
    AboutDialog& operator=(const AboutDialog&) = delete;

    static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Load();
    void CreateControls(int dpi);
    void OnCommand(int id, int notification);
    void ShowPicture(int id, int resource);

    HINSTANCE instance_;
    const common::ApplicationInfo& app_;
    HICON icon_;
    SysInfoTool& sysInfo_;
    HWND dialog_ = nullptr;
    HFONT font_ = nullptr;
    HFONT titleFont_ = nullptr;
    HFONT boldFont_ = nullptr;
    HFONT linkFont_ = nullptr;
    std::array<HBITMAP, 2> pictures_{};
};

INT_PTR CALLBACK AboutDialog::DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        reinterpret_cast<AboutDialog*>(lParam)->dialog_ = dialog;
    }
    auto* about = reinterpret_cast<AboutDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (about == nullptr) {
        return FALSE;
    }
    // Nothing may unwind into the system's code.
    try {
        return about->OnMessage(message, wParam, lParam);
    } catch (...) {
        return FALSE;
    }
}

INT_PTR AboutDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            Load();
            return TRUE;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            // The links in the usual link colour.
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id == kMailLink || id == kWebLink) {
                auto* dc = reinterpret_cast<HDC>(wParam);
                SetTextColor(dc, RGB(0, 0, 255));
                SetBkMode(dc, TRANSPARENT);
                return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
            }
            return FALSE;
        }
        case WM_SETCURSOR: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
            if (id == kMailLink || id == kWebLink) {
                SetCursor(LoadCursorA(nullptr, IDC_HAND));
                SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        }
        default:
            return FALSE;
    }
}

void AboutDialog::Load() {
    const int dpi = controls::SystemDpi();
    RECT frame{0, 0, controls::TwipsToPixels(kClientWidth, dpi),
               controls::TwipsToPixels(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(dialog_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrA(dialog_, GWL_EXSTYLE)));
    SetWindowPos(dialog_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER);
    CreateControls(dpi);

    const AboutTexts texts = LoadTexts(app_);
    SetWindowTextA(dialog_, texts.caption.c_str());
    SetDlgItemTextA(dialog_, kVersion, texts.version.c_str());
    SetDlgItemTextA(dialog_, kTitle, texts.title.c_str());
    SendDlgItemMessageA(dialog_, kIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);
    SetDlgItemTextA(dialog_, kDescription, texts.description.c_str());
    SetDlgItemTextA(dialog_, kDisclaimer, texts.disclaimer.c_str());
    SetDlgItemTextA(dialog_, kMailLink, kAuthorMail);
    SetDlgItemTextA(dialog_, kWebLink, kHomePage);
    ShowPicture(kMailPicture, AGENDIX_ABOUT_MAIL_PICTURE);
    ShowPicture(kWebPicture, AGENDIX_ABOUT_WEB_PICTURE);
    SetDlgItemTextA(dialog_, kOk, "OK");
    SetDlgItemTextA(dialog_, kSysInfo, "&System Info...");

    // Centred on the owner, as a dialog box opens.
    HWND owner = GetWindow(dialog_, GW_OWNER);
    RECT area;
    if (owner == nullptr || !IsWindowVisible(owner) || !GetWindowRect(owner, &area)) {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT own;
    GetWindowRect(dialog_, &own);
    SetWindowPos(dialog_, nullptr,
                 area.left + (area.right - area.left - (own.right - own.left)) / 2,
                 area.top + (area.bottom - area.top - (own.bottom - own.top)) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
}

// Puts the program's bitmap `resource` in the picture control `id`, its light grey turned into the
// dialog's face colour; a missing one leaves it empty.
void AboutDialog::ShowPicture(int id, int resource) {
    HBITMAP& picture = pictures_[id == kMailPicture ? 0 : 1];
    picture = static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resource),
                                              IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
    SendDlgItemMessageA(dialog_, id, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
}

void AboutDialog::CreateControls(int dpi) {
    font_ = controls::CreatePointFont("MS Sans Serif", 8.25, dpi);
    titleFont_ = controls::CreatePointFont("Arial", 14.25, dpi);
    boldFont_ = controls::CreatePointFont("MS Sans Serif", 8.25, dpi, true);
    linkFont_ = controls::CreatePointFont("MS Sans Serif", 8.25, dpi, false, true);
    for (const Placement& control : kControls) {
        HWND window = CreateWindowExA(
            0, control.windowClass, "", WS_CHILD | WS_VISIBLE | control.style,
            controls::TwipsToPixels(control.left, dpi), controls::TwipsToPixels(control.top, dpi),
            controls::TwipsToPixels(control.width, dpi),
            controls::TwipsToPixels(control.height, dpi), dialog_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
        HFONT font = font_;
        if (control.id == kTitle) {
            font = titleFont_;
        } else if (control.id == kVersion) {
            font = boldFont_;
        } else if (control.id == kMailLink || control.id == kWebLink) {
            font = linkFont_;
        }
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    SetFocus(GetDlgItem(dialog_, kOk));
}

void AboutDialog::OnCommand(int id, int notification) {
    switch (id) {
        case IDOK:
        case IDCANCEL:
            EndDialog(dialog_, id);
            break;
        case kSysInfo: {
            Win32MessageService messages(dialog_, app_.Title);
            StartSysInfo(sysInfo_, messages, app_.Title);
            break;
        }
        case kMailLink:
        case kWebLink:
            if (notification == STN_CLICKED) {
                ShellUrlOpener opener(dialog_);
                OpenLink(opener, id == kMailLink ? 0 : 1);
            }
            break;
        default:
            break;
    }
}

// An empty dialog template: a framed, captioned modal box whose controls the dialog creates.
std::vector<WORD> DialogTemplate() {
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    header->cdit = 0;
    // The menu, the window class and the title that follow the header stay empty (zero words).
    return words;
}

}  // namespace

void ShowAboutBox(HINSTANCE instance, HWND owner, const common::ApplicationInfo& app, HICON icon,
                  SysInfoTool& sysInfo) {
    AboutDialog about(instance, app, icon, sysInfo);
    const std::vector<WORD> dialogTemplate = DialogTemplate();
    DialogBoxIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()),
                            owner, &AboutDialog::DialogProc, reinterpret_cast<LPARAM>(&about));
}

}  // namespace agendix::about
