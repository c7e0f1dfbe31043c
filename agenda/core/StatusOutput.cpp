#include "agenda/core/StatusOutput.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace agendix::agenda {

std::string StatusLine(const scan::BarStatus& status) {
    const std::string state(scan::StateName(status.state));
    const nlohmann::ordered_json object{
        {"text", status.text}, {"tooltip", status.tooltip},       {"class", state},
        {"alt", state},        {"percentage", status.percentage},
    };
    // Text from a calendar may hold bytes that are not UTF-8: they become U+FFFD rather than
    // ending the output.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
}

bool WriteOutput(std::string_view line) {
    return std::fwrite(line.data(), 1, line.size(), stdout) == line.size() &&
           std::fflush(stdout) == 0;
}

}  // namespace agendix::agenda
