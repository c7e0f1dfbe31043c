#pragma once

// The top of an event handler: whatever the handler throws stops there and is reported, so that
// no failure reaches the event loop, which cannot handle it and would end the program.

#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace agendix::common {

// Runs `handler`. An exception that escapes it is reported once through `report`, which gets the
// exception's message, or no message when the exception is not a std::exception. `report` runs
// after the exception is gone; a failure of `report` itself reaches the caller. Returns whether
// the handler ran to its end.
template <typename Handler, typename Report>
bool CatchAtTop(Handler&& handler, Report&& report) {
    std::optional<std::string> message;
    try {
        std::forward<Handler>(handler)();
        return true;
    } catch (const std::exception& failure) {
        message = failure.what();
    } catch (...) {
        // Nothing to say but that it failed.
    }
    std::forward<Report>(report)(message);
    return false;
}

}  // namespace agendix::common
