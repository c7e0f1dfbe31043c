#include "MemorySettingsStore.h"

#include <algorithm>

namespace agendix::settings {
namespace {

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    std::transform(folded.begin(), folded.end(), folded.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    return folded;
}

}  // namespace

MemorySettingsStore::EntryName MemorySettingsStore::Fold(std::string_view application,
                                                         std::string_view section,
                                                         std::string_view key) {
    return {FoldCase(application), FoldCase(section), FoldCase(key)};
}

std::optional<std::string> MemorySettingsStore::FindValue(std::string_view application,
                                                          std::string_view section,
                                                          std::string_view key) const {
    const auto found = values_.find(Fold(application, section, key));
    if (found == values_.end()) {
        return std::nullopt;
    }
    return found->second;
}

void MemorySettingsStore::StoreValue(std::string_view application, std::string_view section,
                                     std::string_view key, std::string_view value) {
    values_[Fold(application, section, key)] = std::string(value);
}

}  // namespace agendix::settings
