#pragma once

// Case and character classes of ASCII, for the names and keywords of iCalendar and the names of
// files and zones. The C library's counterparts follow the locale, which the program's toolkit
// takes from the user's environment: a Turkish one, for instance, does not lower 'I' to 'i'.

#include <algorithm>
#include <string_view>

namespace agendix::common {

constexpr char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

constexpr bool IsAsciiAlphanumeric(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// Whether `a` and `b` are equal but for the case of ASCII letters.
inline bool EqualsNoCase(std::string_view a, std::string_view b) {
    // Names are mostly written in capitals: equal bytes need no case folding.
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return x == y || AsciiUpper(x) == AsciiUpper(y);
           });
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

inline bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace agendix::common
