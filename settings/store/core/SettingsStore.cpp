#include "settings/store/core/SettingsStore.h"

namespace agendix::settings {
namespace {

void CheckName(std::string_view name) {
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos) {
        throw SettingsError("Invalid settings name \"" + std::string(name) +
                            "\": names must be non-empty and hold no \"/\" or \"\\\".");
    }
}

}  // namespace

std::string SettingsStore::GetValue(std::string_view application, std::string_view section,
                                    std::string_view key, std::string_view defaultValue) const {
    CheckName(application);
    CheckName(section);
    CheckName(key);
    return FindValue(application, section, key).value_or(std::string(defaultValue));
}

void SettingsStore::SaveValue(std::string_view application, std::string_view section,
                              std::string_view key, std::string_view value) {
    CheckName(application);
    CheckName(section);
    CheckName(key);
    StoreValue(application, section, key, value);
}

}  // namespace agendix::settings
