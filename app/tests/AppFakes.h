#pragma once

// Fakes of the settings store and the script shell for the options window's tests.

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        return name;
    }
    std::map<std::string, std::string> values_;
};

// The script shell's registry members, recorded without the start-up list's key.
class FakeShells : public settings::ScriptShellFactory {
  public:
    std::vector<std::string> calls;
    bool failWriting = false;

    std::unique_ptr<settings::ScriptShell> CreateObject(std::string_view) override {
        return std::make_unique<Shell>(*this);
    }

  private:
    struct Shell : settings::ScriptShell {
        explicit Shell(FakeShells& shells) : owner(shells) {}
        void RegWrite(std::string_view fullName, std::string_view value) override {
            if (owner.failWriting) {
                throw settings::AutostartError("cannot write the autostart entry");
            }
            owner.calls.push_back("write " + Name(fullName) + " = " + std::string(value));
        }
        void RegDelete(std::string_view fullName) override {
            owner.calls.push_back("delete " + Name(fullName));
        }
        static std::string Name(std::string_view fullName) {
            return std::string(fullName.substr(std::string_view(settings::kRunKey).size()));
        }
        FakeShells& owner;
    };
};

}  // namespace agendix::app::testing
