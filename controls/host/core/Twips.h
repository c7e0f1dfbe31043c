#pragma once

// Layout lengths in twips (1440 to the inch) turned into device pixels.

namespace agendix::controls {

inline constexpr int kTwipsPerInch = 1440;

// `twips` at `dotsPerInch` in whole pixels, rounded to the nearest (halves away from zero).
constexpr int TwipsToPixels(int twips, int dotsPerInch) {
    const long long scaled = static_cast<long long>(twips) * dotsPerInch;
    const long long half = kTwipsPerInch / 2;
    return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                        : -((-scaled + half) / kTwipsPerInch));
}

// A font's size in points as the height in pixels that a font request names (negative: the
// character height without the internal leading), at `dotsPerInch`.
constexpr int PointsToFontHeight(double points, int dotsPerInch) {
    const double pixels = points * dotsPerInch / 72.0;
    return -static_cast<int>(pixels + 0.5);
}

}  // namespace agendix::controls
