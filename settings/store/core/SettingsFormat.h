#pragma once

// What the program keeps in the settings store: where its options live, their keys and defaults,
// and how flags and the check interval are written as text and read back.

#include <cstdint>
#include <string>
#include <string_view>

namespace agendix::settings {

inline constexpr char kSettingsApp[] = "Agendix";
inline constexpr char kSettingsSection[] = "Settings";

inline constexpr char kKeyTimer[] = "timer";
inline constexpr char kKeyAutoStart[] = "WStartup";
inline constexpr char kKeyMouseOverWritten[] = "Mouseover";
inline constexpr char kKeyMouseOverRead[] = "MouseOver";
inline constexpr char kKeyTomorrow[] = "Tomorrow";
inline constexpr char kKeyHideAtStartup[] = "Startup";

inline constexpr char kFlagSet[] = "yes";
inline constexpr char kFlagNotSet[] = "no";

inline constexpr char kDefaultAutoStart[] = "yes";
inline constexpr char kDefaultMouseOver[] = "yes";
inline constexpr char kDefaultTomorrow[] = "no";
inline constexpr char kDefaultHideAtStartup[] = "yes";

// The interval used when the stored one gives no usable number of minutes.
inline constexpr std::int32_t kFallbackCheckInterval = 2;

// A flag is set only by exactly "yes"; "Yes", "no" and empty text are not set.
bool IsFlagSet(std::string_view text);

// "yes" or "no".
std::string FlagText(bool set);

// The check interval in minutes from the stored text: the decimal number at the start of the
// text (blanks skipped; sign, digits, fraction and exponent as far as they form a number; the
// rest ignored), rounded half to even. A text without such a number, a result of 0, a negative
// result and one beyond 32 bits all give kFallbackCheckInterval.
std::int32_t ReadCheckInterval(std::string_view text);

// The interval as plain decimal text: "-" for a negative value, no leading zeros, no separators.
std::string WriteCheckInterval(std::int32_t minutes);

}  // namespace agendix::settings
