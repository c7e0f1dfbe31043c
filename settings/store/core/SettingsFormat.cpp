#include "settings/store/core/SettingsFormat.h"

#include <charconv>
#include <limits>
#include <optional>

#include "common/core/Rounding.h"

namespace agendix::settings {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The number that a text starts with, or nothing when it does not start with one or lies beyond
// the range of a double. from_chars takes the longest prefix that forms a number (an exponent
// only with digits after it) and is independent of the locale; the digit test keeps out "inf"
// and "nan", which it also accepts.
std::optional<double> LeadingNumber(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text.remove_prefix(first);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    const bool startsNumber =
        !text.empty() &&
        (IsDigit(text.front()) || (text.size() > 1 && text[0] == '.' && IsDigit(text[1])));
    if (!startsNumber) {
        return std::nullopt;
    }
    double magnitude = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (result.ec != std::errc{}) {
        // Beyond the range of a double: far too large or too small to be a usable interval.
        return std::nullopt;
    }
    return negative ? -magnitude : magnitude;
}

}  // namespace

bool IsFlagSet(std::string_view text) {
    return text == kFlagSet;
}

std::string FlagText(bool set) {
    return set ? kFlagSet : kFlagNotSet;
}

std::int32_t ReadCheckInterval(std::string_view text) {
    const std::optional<double> number = LeadingNumber(text);
    if (!number) {
        return kFallbackCheckInterval;
    }
    const double minutes = common::RoundHalfToEven(*number);
    if (!(minutes >= 1 && minutes <= std::numeric_limits<std::int32_t>::max())) {
        return kFallbackCheckInterval;
    }
    return static_cast<std::int32_t>(minutes);
}

std::string WriteCheckInterval(std::int32_t minutes) {
    return std::to_string(minutes);
}

}  // namespace agendix::settings
