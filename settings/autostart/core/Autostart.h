#pragma once

// Starting the program at log-in: the program registers its own path under its name when the
// option is on and removes the entry when it is off. Where the desktop keeps such entries is the
// platform's business (LogInStarter).

#include <stdexcept>
#include <string_view>

namespace agendix::settings {

// The name the program registers itself under.
inline constexpr char kAutostartEntryName[] = "Agendix";

// A registration that failed; the message says which entry and why.
class AutostartError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The desktop's programs started when the user logs in, each under a name. Both throw
// AutostartError on failure.
class LogInStarter {
  public:
    virtual ~LogInStarter() = default;
    // Starts `programPath` at every log-in from now on, under `entryName`, replacing an earlier
    // entry of that name.
    virtual void StartAtLogIn(std::string_view entryName, std::string_view programPath) = 0;
    // Stops starting the entry at log-in; fails when there is none.
    virtual void StopStartingAtLogIn(std::string_view entryName) = 0;
};

// Registers `programPath` to start at log-in under `entryName`, replacing an earlier entry.
// Failures reach the caller as AutostartError.
void RegisterAutostart(LogInStarter& starter, std::string_view programPath,
                       std::string_view entryName);

// Removes the entry if it can; never reports a failure.
void UnregisterAutostart(LogInStarter& starter, std::string_view entryName) noexcept;

}  // namespace agendix::settings
