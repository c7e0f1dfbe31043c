#pragma once

// Starting the program at log-on: a named value in the start-up list, written and deleted
// through the script shell's registry members. The shell object is created for each call, by
// its program identifier, and released before the call returns.

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace agendix::settings {

// The start-up list; a value's full name is this key followed by the value's name.
inline constexpr char kRunKey[] =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";

// The name the program registers itself under.
inline constexpr char kAutostartEntryName[] = "Agendix";

// A shell operation that failed; the message says which entry and why.
class AutostartError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The script shell's registry members. Both throw AutostartError on failure.
class ScriptShell {
  public:
    virtual ~ScriptShell() = default;
    // Creates or replaces the named value with `value` as its text.
    virtual void RegWrite(std::string_view fullName, std::string_view value) = 0;
    // Removes the named value; fails when there is none.
    virtual void RegDelete(std::string_view fullName) = 0;
};

class ScriptShellFactory {
  public:
    virtual ~ScriptShellFactory() = default;
    // A new shell object for the program identifier; identifiers ignore letter case. Throws
    // AutostartError when there is no such object.
    virtual std::unique_ptr<ScriptShell> CreateObject(std::string_view programId) = 0;
};

// Registers `programPath` to start at log-on under `entryName`, replacing an earlier entry.
// Failures reach the caller as AutostartError.
void RegisterAutostart(ScriptShellFactory& shells, std::string_view programPath,
                       std::string_view entryName);

// Removes the entry if it can; never reports a failure.
void UnregisterAutostart(ScriptShellFactory& shells, std::string_view entryName) noexcept;

}  // namespace agendix::settings
