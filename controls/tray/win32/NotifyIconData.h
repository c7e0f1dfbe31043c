#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "controls/tray/win32/Win32Types.h"

namespace agendix::controls {

// The 8-bit NOTIFYICONDATA record exactly as the shell reads it: 488 bytes, little-endian,
// text in the system code page (UTF-8 here). A new record is all zero bytes.
class NotifyIconData {
  public:
    static constexpr std::size_t kSize = 488;

    // The 32-bit members by their byte offset.
    enum class Field : std::size_t {
        cbSize = 0,
        hWnd = 4,
        uID = 8,
        uFlags = 12,
        uCallbackMessage = 16,
        hIcon = 20,
        dwState = 152,
        dwStateMask = 156,
        uTimeout = 416,
        dwInfoFlags = 484,
    };

    // The fixed-width text members.
    enum class TextField { szTip, szInfo, szInfoTitle };

    std::uint32_t Get(Field field) const;
    void Set(Field field, std::uint32_t value);

    // Writes `text` (UTF-8) from the field's start and pads it with blanks to the field's width.
    // A NUL inside `text` ends it as the shell reads it. The field's width includes the NUL
    // that ends a text: one that is longer is cut after the last whole character that leaves
    // room for "…" and the NUL, which follow it, so that the reader sees that more exists.
    void SetText(TextField field, std::string_view text);
    // The text as the shell reads it: up to the first NUL, or without the padding blanks when
    // the field holds no NUL.
    std::string Text(TextField field) const;

    // Where a text field starts and how many bytes it holds, its ending NUL included.
    static constexpr std::size_t Offset(TextField field) {
        switch (field) {
            case TextField::szTip:
                return 24;
            case TextField::szInfo:
                return 160;
            case TextField::szInfoTitle:
                return 420;
        }
        return 0;
    }
    static constexpr std::size_t Width(TextField field) {
        switch (field) {
            case TextField::szTip:
                return 128;
            case TextField::szInfo:
                return 256;
            case TextField::szInfoTitle:
                return 64;
        }
        return 0;
    }

    const std::array<std::uint8_t, kSize>& Bytes() const { return bytes_; }

  private:
    std::array<std::uint8_t, kSize> bytes_{};
};

// The longest start of `text` (UTF-8) that fits `width` bytes without splitting a character.
std::string_view CutAtWholeCharacter(std::string_view text, std::size_t width);

// `text` as it fits a field of `width` bytes that ends with a NUL: whole when its part before
// any NUL fits `width` - 1 bytes, else cut at a whole character and ended with "…".
std::string FitWithEllipsis(std::string_view text, std::size_t width);

}  // namespace agendix::controls
