#pragma once

// The per-user store of the program's options: text values addressed by application, section
// and key. Names match without regard to letter case at all three levels; a value is read back
// as stored (an empty text stays empty); the default applies only to an entry that does not
// exist; a save replaces the earlier value. Values and names are UTF-8.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace agendix::settings {

// A store that cannot be read or written. The message names the file and what went wrong.
class SettingsError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;

    // The stored text of the entry, or `defaultValue` when the entry does not exist.
    std::string GetValue(std::string_view application, std::string_view section,
                         std::string_view key, std::string_view defaultValue = {}) const;

    // Stores `value` as the entry's text, replacing any earlier value. The value is kept for
    // good when this returns; throws SettingsError when it could not be.
    void SaveValue(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value);

    // A message for the user about a problem the store worked around (a damaged file set aside,
    // for example), handed out once; empty when there is none.
    virtual std::optional<std::string> TakeWarning() = 0;

  protected:
    // The entry's text, or nothing when the entry does not exist. Names reaching these are
    // non-empty and free of "/" and "\", which stores use to build paths of names.
    virtual std::optional<std::string> FindValue(std::string_view application,
                                                 std::string_view section,
                                                 std::string_view key) const = 0;
    virtual void StoreValue(std::string_view application, std::string_view section,
                            std::string_view key, std::string_view value) = 0;
};

}  // namespace agendix::settings
