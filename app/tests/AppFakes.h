#pragma once

// Fakes of the settings store and the log-in start list for the options window's tests.

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/core/Ascii.h"
#include "settings/autostart/core/Autostart.h"
#include "settings/store/core/SettingsStore.h"

namespace agendix::app::testing {

// Entries in memory; names match without regard to letter case, as in the real store.
class MemoryStore : public settings::SettingsStore {
  public:
    // The next save finds the file damaged: it starts again from an empty store and warns.
    bool damagedBeforeNextSave = false;
    bool failReading = false;
    std::optional<std::string> warning;

    std::optional<std::string> TakeWarning() override { return std::exchange(warning, {}); }

    // The program's entries, under its application and section; "<absent>" for a missing one.
    std::string Stored(const char* key) const {
        return GetValue("Agendix", "Settings", key, "<absent>");
    }
    void Store(const char* key, const char* value) { SaveValue("Agendix", "Settings", key, value); }

  protected:
    std::optional<std::string> FindValue(std::string_view application, std::string_view section,
                                         std::string_view key) const override {
        if (failReading) {
            throw settings::SettingsError("the settings file cannot be read");
        }
        const auto found = values_.find(Name(application, section, key));
        return found == values_.end() ? std::nullopt : std::optional(found->second);
    }
    void StoreValue(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view value) override {
        if (std::exchange(damagedBeforeNextSave, false)) {
            values_.clear();
            warning = "the settings file was damaged and set aside";
        }
        values_[Name(application, section, key)] = value;
    }

  private:
    static std::string Name(std::string_view application, std::string_view section,
                            std::string_view key) {
        std::string name =
            std::string(application) + '/' + std::string(section) + '/' + std::string(key);
        std::transform(name.begin(), name.end(), name.begin(), common::AsciiUpper);
        return name;
    }
    std::map<std::string, std::string> values_;
};

// The programs started at log-in, recorded as "write <name> = <path>" and "delete <name>".
class FakeAutostart : public settings::LogInStarter {
  public:
    std::vector<std::string> calls;
    bool failWriting = false;

    void StartAtLogIn(std::string_view entryName, std::string_view programPath) override {
        if (failWriting) {
            throw settings::AutostartError("cannot write the autostart entry");
        }
        calls.push_back("write " + std::string(entryName) + " = " + std::string(programPath));
    }
    void StopStartingAtLogIn(std::string_view entryName) override {
        calls.push_back("delete " + std::string(entryName));
    }
};

}  // namespace agendix::app::testing
