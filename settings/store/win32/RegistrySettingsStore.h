#pragma once

// The settings store in the current user's registry (HKEY_CURRENT_USER): under the root key, the
// application is a key, the section a key inside it and each entry a string value (REG_SZ) of
// that key. The registry itself matches names without regard to letter case. Texts are UTF-8 in
// the program and UTF-16 in the registry. A value of another type than text is reported, never
// read as absent or written over unasked.

#include <string>
#include <utility>

#include "settings/store/core/SettingsStore.h"

namespace agendix::settings {

// The per-user application settings' root key under HKEY_CURRENT_USER.
inline constexpr wchar_t kApplicationSettingsKey[] = L"Software\\VB and VBA Program Settings";

class RegistrySettingsStore final : public SettingsStore {
  public:
    RegistrySettingsStore() : RegistrySettingsStore(kApplicationSettingsKey) {}
    // Keeps its applications under `rootKey`, a key path under HKEY_CURRENT_USER.
    explicit RegistrySettingsStore(std::wstring rootKey) : rootKey_(std::move(rootKey)) {}

    // The registry repairs nothing behind the program's back: there is never a warning.
    std::optional<std::string> TakeWarning() override { return std::nullopt; }

  protected:
    std::optional<std::string> FindValue(std::string_view application, std::string_view section,
                                         std::string_view key) const override;
    void StoreValue(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view value) override;

  private:
    std::wstring rootKey_;
};

}  // namespace agendix::settings
