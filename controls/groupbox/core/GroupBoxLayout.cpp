#include "controls/groupbox/core/GroupBoxLayout.h"

#include <limits>

#include "common/core/Rounding.h"
#include "controls/host/core/HostError.h"

namespace agendix::controls {
namespace {

constexpr char16_t kAmpersand = u'&';

std::u16string ReplaceEscapedAmpersands(const std::u16string& text) {
    std::u16string result;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == kAmpersand && index + 1 < text.size() && text[index + 1] == kAmpersand) {
            result += u'A';
            ++index;
        } else {
            result += text[index];
        }
    }
    return result;
}

// The character at `index`, both halves when it is a surrogate pair.
std::u16string CharacterAt(const std::u16string& text, std::size_t index) {
    const bool pair = index + 1 < text.size() && text[index] >= 0xD800 && text[index] <= 0xDBFF;
    return text.substr(index, pair ? 2 : 1);
}

std::u16string RemoveAmpersands(const std::u16string& text, std::size_t atMost) {
    std::u16string result;
    for (const char16_t character : text) {
        if (character == kAmpersand && atMost > 0) {
            --atMost;
        } else {
            result += character;
        }
    }
    return result;
}

long long CheckedRange(long long value, long long low, long long high,
                       const std::string& property) {
    if (value < low || value > high) {
        throw HostError::Overflow(property);
    }
    return value;
}

}  // namespace

CaptionMeasure ProcessCaption(const std::u16string& caption) {
    const std::u16string text = caption.empty() ? u" " : caption;
    if (text.find(kAmpersand) == std::u16string::npos) {
        return {text, std::nullopt};
    }
    const std::u16string replaced = ReplaceEscapedAmpersands(text);
    const std::size_t first = replaced.find(kAmpersand);
    if (first == std::u16string::npos) {
        return {replaced, std::nullopt};
    }
    return {RemoveAmpersands(replaced, first + 1), CharacterAt(replaced, first + 1)};
}

GroupBoxGeometry ComputeGeometry(int cx, int cy, double surfaceWidth, double surfaceHeight) {
    // Sizes come from the widget and the font: whole pixels well inside the range of int.
    const auto rounded = [](double value) {
        return static_cast<int>(common::RoundHalfToEven(value));
    };
    GroupBoxGeometry geometry;
    geometry.frame = {0, rounded(cy / 2.0), rounded(surfaceWidth), rounded(surfaceHeight)};
    geometry.caption = {kCaptionTextLeft, 0, cx + kCaptionTextLeft, cy};
    geometry.captionBackground = {kCaptionBackgroundLeft, 0, cx + kCaptionTextLeft + 1, cy + 1};
    return geometry;
}

std::array<Rect, 4> OutlineBands(int x1, int y1, int x2, int y2, int penWidth) {
    const int before = penWidth / 2;
    const int left = x1 - before;
    const int top = y1 - before;
    const int right = x2 - before + penWidth;
    const int bottom = y2 - before + penWidth;
    return {Rect{left, top, right, top + penWidth}, Rect{left, bottom - penWidth, right, bottom},
            Rect{left, top, left + penWidth, bottom}, Rect{right - penWidth, top, right, bottom}};
}

std::int16_t NarrowToInteger16(long long value, const std::string& property) {
    return static_cast<std::int16_t>(CheckedRange(value, std::numeric_limits<std::int16_t>::min(),
                                                  std::numeric_limits<std::int16_t>::max(),
                                                  property));
}

std::int32_t NarrowToInteger32(long long value, const std::string& property) {
    return static_cast<std::int32_t>(CheckedRange(value, std::numeric_limits<std::int32_t>::min(),
                                                  std::numeric_limits<std::int32_t>::max(),
                                                  property));
}

std::uint32_t ToColorValue(long long value, const std::string& property) {
    return static_cast<std::uint32_t>(CheckedRange(value, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::uint32_t>::max(),
                                                   property));
}

}  // namespace agendix::controls
