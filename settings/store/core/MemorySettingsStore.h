#pragma once

#include <map>
#include <tuple>

#include "SettingsStore.h"

namespace agendix::settings {

// A store that lives in memory only, for tests of the store's users. Names match without
// regard to ASCII letter case.
class MemorySettingsStore final : public SettingsStore {
  public:
    std::optional<std::string> TakeWarning() override { return std::nullopt; }

  protected:
    std::optional<std::string> FindValue(std::string_view application, std::string_view section,
                                         std::string_view key) const override;
    void StoreValue(std::string_view application, std::string_view section, std::string_view key,
                    std::string_view value) override;

  private:
    using EntryName = std::tuple<std::string, std::string, std::string>;
    static EntryName Fold(std::string_view application, std::string_view section,
                          std::string_view key);

    std::map<EntryName, std::string> values_;
};

}  // namespace agendix::settings
