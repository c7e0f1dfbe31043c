#pragma once

// The group box control on Windows: a child window that contains other controls and draws a
// captioned frame around them, with the desktop's visual style when the theme test allows it and
// in the classic look (etched edge, or flat lines) otherwise. What the caption measures and where
// frame and caption go come from the control's core. Built for Windows only.

#include <cstdint>
#include <string>

#include "controls/groupbox/core/GroupBoxLayout.h"
#include "controls/groupbox/core/ThemeTest.h"
#include "controls/groupbox/win32/Win32Types.h"

namespace agendix::controls {

// The properties the drawing reads.
struct GroupBoxLook {
    std::u16string caption;
    std::int32_t borderStyle = 1;  // 0: background only
    std::int16_t appearance = 1;   // classic look: 0 flat lines, else an etched edge
    bool enabled = true;
    std::uint32_t backColor = kButtonFace;
    std::uint32_t foreColor = kButtonText;
};

class Win32GroupBox {
  public:
    // A child of `parent` at `bounds` (pixels), drawing its caption in `font` (not owned).
    // `theme` must outlive the control.
    Win32GroupBox(HINSTANCE instance, HWND parent, const RECT& bounds, GroupBoxLook look,
                  HFONT font, const ThemeTest& theme);
    ~Win32GroupBox();
    Win32GroupBox(const Win32GroupBox&) = delete;
    Win32GroupBox& operator=(const Win32GroupBox&) = delete;

    HWND Window() const { return window_; }

    // The whole look in one pass into `dc`, the control's client area.
    void DrawGroupBox(HDC dc);

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void DrawThemed(HDC dc, const GroupBoxGeometry& geometry);
    void DrawClassic(HDC dc, const GroupBoxGeometry& geometry, SIZE captionSize);
    void FillCaptionBackground(HDC dc, const GroupBoxGeometry& geometry);

    HWND window_ = nullptr;
    GroupBoxLook look_;
    HFONT font_;
    const ThemeTest& theme_;
};

// The colour a colour value names: an RGB value as it is, a system colour by its index.
COLORREF ToColorRef(std::uint32_t value);

}  // namespace agendix::controls
