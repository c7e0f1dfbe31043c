#include "controls/groupbox/qt/ColorValues.h"

#include <array>

#include "controls/groupbox/core/GroupBoxLayout.h"

namespace agendix::controls {
namespace {

struct PaletteColor {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

constexpr QPalette::ColorGroup kCurrent = QPalette::Current;

// The palette colour for each system colour index 0..30 (25 is unused).
constexpr std::array<PaletteColor, 31> kSystemColors{{
    {kCurrent, QPalette::Mid},              // 0 scroll bar
    {kCurrent, QPalette::Dark},             // 1 desktop
    {kCurrent, QPalette::Highlight},        // 2 active caption
    {kCurrent, QPalette::Mid},              // 3 inactive caption
    {kCurrent, QPalette::Window},           // 4 menu
    {kCurrent, QPalette::Base},             // 5 window
    {kCurrent, QPalette::Shadow},           // 6 window frame
    {kCurrent, QPalette::WindowText},       // 7 menu text
    {kCurrent, QPalette::Text},             // 8 window text
    {kCurrent, QPalette::HighlightedText},  // 9 caption text
    {kCurrent, QPalette::Window},           // 10 active border
    {kCurrent, QPalette::Window},           // 11 inactive border
    {kCurrent, QPalette::Mid},              // 12 application workspace
    {kCurrent, QPalette::Highlight},        // 13 highlight
    {kCurrent, QPalette::HighlightedText},  // 14 highlighted text
    {kCurrent, QPalette::Button},           // 15 button face
    {kCurrent, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},   // 17 grey text
    {kCurrent, QPalette::ButtonText},       // 18 button text
    {kCurrent, QPalette::WindowText},       // 19 inactive caption text
    {kCurrent, QPalette::Light},            // 20 button highlight
    {kCurrent, QPalette::Shadow},           // 21 3-D dark shadow
    {kCurrent, QPalette::Midlight},         // 22 3-D light
    {kCurrent, QPalette::ToolTipText},      // 23 tooltip text
    {kCurrent, QPalette::ToolTipBase},      // 24 tooltip background
    {kCurrent, QPalette::NoRole},           // 25 unused
    {kCurrent, QPalette::Link},             // 26 hot-tracked item
    {kCurrent, QPalette::Highlight},        // 27 active caption gradient
    {kCurrent, QPalette::Mid},              // 28 inactive caption gradient
    {kCurrent, QPalette::Highlight},        // 29 menu highlight
    {kCurrent, QPalette::Window},           // 30 menu bar
}};

}  // namespace

QColor ColorFromValue(std::uint32_t value, const QPalette& palette) {
    if (!IsSystemColor(value)) {
        return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                      static_cast<int>((value >> 16) & 0xFFu));
    }
    const int index = SystemColorIndex(value);
    if (!IsKnownSystemColor(index)) {
        return {};
    }
    const PaletteColor entry = kSystemColors[static_cast<std::size_t>(index)];
    return palette.color(entry.group, entry.role);
}

}  // namespace agendix::controls
