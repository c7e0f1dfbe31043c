#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace agendix::controls {

// The caption as it is measured, and the access key it names, if any.
struct CaptionMeasure {
    std::u16string measuredText;
    // Set when the caption names an access key: the character after its first single "&" (empty
    // when that "&" ends the text). Unset means the control keeps its earlier key.
    std::optional<std::u16string> accessKey;
};

// Works out what to measure for `caption`: an empty caption is measured as one blank (so the frame
// still follows the font's height); each "&&" counts as the letter "A" (one letter-wide
// character); then at most k single "&" are removed from the left, where k is the 1-based
// position of the first one.
CaptionMeasure ProcessCaption(const std::u16string& caption);

// A rectangle in the platform's form: right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

constexpr int kCaptionTextLeft = 9;
constexpr int kCaptionBackgroundLeft = 7;

struct GroupBoxGeometry {
    // Where the frame goes: its top line at half the caption height.
    Rect frame;
    // Where the caption text goes.
    Rect caption;
    // The box filled with the background colour behind the caption, 2 pixels wider on the left
    // than the text; its corners (7, 0) and (cx + 9, cy) are both included.
    Rect captionBackground;
};

// The rectangles for a caption measured `cx` by `cy` pixels on a surface of the given size.
GroupBoxGeometry ComputeGeometry(int cx, int cy, double surfaceWidth, double surfaceHeight);

// The four bands (top, bottom, left, right) that a box outline drawn with a pen `penWidth` pixels
// wide covers, from corner (x1, y1) to corner (x2, y2), both corners included. Each line is
// centred on its corner coordinates, an even width reaching one pixel further up and left.
std::array<Rect, 4> OutlineBands(int x1, int y1, int x2, int y2, int penWidth);

// 32-bit colour values: 0x00BBGGRR, or with the top bit set a system colour by index in the low
// byte.
constexpr std::uint32_t kSystemColorFlag = 0x80000000u;
constexpr std::uint32_t kButtonFace = kSystemColorFlag | 15u;
constexpr std::uint32_t kButtonText = kSystemColorFlag | 18u;

constexpr bool IsSystemColor(std::uint32_t value) {
    return (value & kSystemColorFlag) != 0;
}
constexpr int SystemColorIndex(std::uint32_t value) {
    return static_cast<int>(value & 0xFFu);
}
// Whether the system has a colour under `index` (0 to 30, without the unused 25).
constexpr bool IsKnownSystemColor(int index) {
    return index >= 0 && index <= 30 && index != 25;
}

// Conversions of the host's numbers to the properties' widths; a value that does not fit is
// refused with the host's overflow error naming `property`.
std::int16_t NarrowToInteger16(long long value, const std::string& property);
std::int32_t NarrowToInteger32(long long value, const std::string& property);
// Accepts the colour as a 32-bit signed or unsigned number.
std::uint32_t ToColorValue(long long value, const std::string& property);

}  // namespace agendix::controls
