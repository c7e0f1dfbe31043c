#include "controls/tray/win32/NotifyIconData.h"

#include <algorithm>
#include <cstddef>

namespace agendix::controls {

#if defined(_WIN32) && !defined(_WIN64)
// A 32-bit Windows build checks the record against the system's own: the shell's 8-bit record
// up to its version-2 end (NOTIFYICONDATAA_V2_SIZE, the members before guidItem) is this one.
using Field = NotifyIconData::Field;
using TextField = NotifyIconData::TextField;
static_assert(NOTIFYICONDATAA_V2_SIZE == NotifyIconData::kSize);
static_assert(static_cast<std::size_t>(Field::cbSize) == offsetof(NOTIFYICONDATAA, cbSize));
static_assert(static_cast<std::size_t>(Field::hWnd) == offsetof(NOTIFYICONDATAA, hWnd));
static_assert(static_cast<std::size_t>(Field::uID) == offsetof(NOTIFYICONDATAA, uID));
static_assert(static_cast<std::size_t>(Field::uFlags) == offsetof(NOTIFYICONDATAA, uFlags));
static_assert(static_cast<std::size_t>(Field::uCallbackMessage) ==
              offsetof(NOTIFYICONDATAA, uCallbackMessage));
static_assert(static_cast<std::size_t>(Field::hIcon) == offsetof(NOTIFYICONDATAA, hIcon));
static_assert(static_cast<std::size_t>(Field::dwState) == offsetof(NOTIFYICONDATAA, dwState));
static_assert(static_cast<std::size_t>(Field::dwStateMask) ==
              offsetof(NOTIFYICONDATAA, dwStateMask));
static_assert(static_cast<std::size_t>(Field::uTimeout) == offsetof(NOTIFYICONDATAA, uTimeout));
static_assert(static_cast<std::size_t>(Field::dwInfoFlags) ==
              offsetof(NOTIFYICONDATAA, dwInfoFlags));
static_assert(NotifyIconData::Offset(TextField::szTip) == offsetof(NOTIFYICONDATAA, szTip) &&
              NotifyIconData::Width(TextField::szTip) == sizeof(NOTIFYICONDATAA::szTip));
static_assert(NotifyIconData::Offset(TextField::szInfo) == offsetof(NOTIFYICONDATAA, szInfo) &&
              NotifyIconData::Width(TextField::szInfo) == sizeof(NOTIFYICONDATAA::szInfo));
static_assert(NotifyIconData::Offset(TextField::szInfoTitle) ==
                  offsetof(NOTIFYICONDATAA, szInfoTitle) &&
              NotifyIconData::Width(TextField::szInfoTitle) ==
                  sizeof(NOTIFYICONDATAA::szInfoTitle));
#endif

namespace {

bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

std::uint32_t NotifyIconData::Get(Field field) const {
    const auto offset = static_cast<std::size_t>(field);
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        value |= static_cast<std::uint32_t>(bytes_[offset + i]) << (8 * i);
    }
    return value;
}

void NotifyIconData::Set(Field field, std::uint32_t value) {
    const auto offset = static_cast<std::size_t>(field);
    for (std::size_t i = 0; i < 4; ++i) {
        bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

void NotifyIconData::SetText(TextField field, std::string_view text) {
    const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(Offset(field));
    const auto end = begin + static_cast<std::ptrdiff_t>(Width(field));
    const std::string fitting = FitWithEllipsis(text, Width(field));
    const auto textEnd = std::transform(fitting.begin(), fitting.end(), begin,
                                        [](char c) { return static_cast<std::uint8_t>(c); });
    std::fill(textEnd, end, static_cast<std::uint8_t>(' '));
}

std::string NotifyIconData::Text(TextField field) const {
    const auto begin = bytes_.begin() + static_cast<std::ptrdiff_t>(Offset(field));
    const auto end = begin + static_cast<std::ptrdiff_t>(Width(field));
    auto textEnd = std::find(begin, end, 0);
    if (textEnd == end) {
        while (textEnd != begin && *(textEnd - 1) == ' ') {
            --textEnd;
        }
    }
    return std::string(begin, textEnd);
}

std::string_view CutAtWholeCharacter(std::string_view text, std::size_t width) {
    if (text.size() <= width) {
        return text;
    }
    std::size_t cut = width;
    while (cut > 0 && IsContinuationByte(text[cut])) {
        --cut;
    }
    return text.substr(0, cut);
}

std::string FitWithEllipsis(std::string_view text, std::size_t width) {
    static constexpr std::string_view kEllipsis = "\u2026";
    const std::size_t readable = text.find('\0');
    if (width == 0) {
        return {};
    }
    if (std::min(readable, text.size()) < width) {
        return std::string(CutAtWholeCharacter(text, width));
    }
    if (width <= kEllipsis.size()) {
        return std::string(1, '\0');
    }
    std::string cut(CutAtWholeCharacter(text, width - kEllipsis.size() - 1));
    cut += kEllipsis;
    cut += '\0';
    return cut;
}

}  // namespace agendix::controls
