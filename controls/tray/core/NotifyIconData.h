#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace agendix::controls {

// The messages of Shell_NotifyIconA.
inline constexpr std::uint32_t NIM_ADD = 0;
inline constexpr std::uint32_t NIM_MODIFY = 1;
inline constexpr std::uint32_t NIM_DELETE = 2;

// Bits of uFlags: which members of the record the shell reads.
inline constexpr std::uint32_t NIF_MESSAGE = 0x01;
inline constexpr std::uint32_t NIF_ICON = 0x02;
inline constexpr std::uint32_t NIF_TIP = 0x04;
inline constexpr std::uint32_t NIF_INFO = 0x10;

// Mouse message numbers the shell reports in a callback.
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x201;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x204;

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
    // A longer text is cut after the last whole character that fits; nothing else is added, so
    // a NUL inside `text` ends it as the shell reads it.
    void SetText(TextField field, std::string_view text);
    // The text as the shell reads it: up to the first NUL, or without the padding blanks when
    // the field holds no NUL.
    std::string Text(TextField field) const;

    static std::size_t Width(TextField field);
    const std::array<std::uint8_t, kSize>& Bytes() const { return bytes_; }

  private:
    static std::size_t Offset(TextField field);

    std::array<std::uint8_t, kSize> bytes_{};
};

// The longest start of `text` (UTF-8) that fits `width` bytes without splitting a character.
std::string_view CutAtWholeCharacter(std::string_view text, std::size_t width);

}  // namespace agendix::controls
