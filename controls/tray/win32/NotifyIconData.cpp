#include "controls/tray/win32/NotifyIconData.h"

#include <algorithm>

namespace agendix::controls {

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

std::size_t NotifyIconData::Width(TextField field) {
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

std::size_t NotifyIconData::Offset(TextField field) {
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
