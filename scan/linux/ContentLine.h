#pragma once

// The parts of an iCalendar content line (RFC 5545, 3.1) that this layer reads itself:
// NAME *(";" PARAMETER) ":" VALUE, folded onto lines that begin with a blank.

#include <algorithm>
#include <string_view>

namespace agendix::scan {

// Whether a physical line continues the content line before it.
inline bool IsContinuation(std::string_view line) {
    return !line.empty() && (line.front() == ' ' || line.front() == '\t');
}

// The property name: everything before the first parameter or the value.
inline std::string_view PropertyName(std::string_view line) {
    const auto end =
        std::find_if(line.begin(), line.end(), [](char c) { return c == ';' || c == ':'; });
    return line.substr(0, static_cast<std::size_t>(end - line.begin()));
}

// The value: everything after the first colon that is not inside a quoted parameter value.
inline std::string_view PropertyValue(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') {
            quoted = !quoted;
        } else if (line[i] == ':' && !quoted) {
            return line.substr(i + 1);
        }
    }
    return {};
}

}  // namespace agendix::scan
