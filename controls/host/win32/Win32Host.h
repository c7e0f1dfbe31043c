#pragma once

// What the program's Win32 windows share: the screen's resolution and fonts by name and size.
// Built for Windows only.

#include <windows.h>

namespace agendix::controls {

// The screen's dots per inch, as layouts in twips are scaled.
int SystemDpi();

// A font by face name and size in points at `dotsPerInch`; the caller deletes it (DeleteObject).
HFONT CreatePointFont(const char* face, double points, int dotsPerInch, bool bold = false,
                      bool underline = false);

}  // namespace agendix::controls
