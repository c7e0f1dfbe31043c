#include "controls/host/win32/Win32Host.h"

#include "controls/host/core/Twips.h"

namespace agendix::controls {

int SystemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HFONT CreatePointFont(const char* face, double points, int dotsPerInch, bool bold, bool underline) {
    LOGFONTA font{};
    font.lfHeight = PointsToFontHeight(points, dotsPerInch);
    font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    font.lfUnderline = underline ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

}  // namespace agendix::controls
