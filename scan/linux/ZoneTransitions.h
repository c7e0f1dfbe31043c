#pragma once

// The offset changes of a zone of the system's zone database, read once from its compiled file
// (RFC 8536), so that an offset is a binary search rather than libical's expansion of the
// zone's rules from its first year, which is slow. Only the changes the file lists are known;
// the offsets of other times are left to libical.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace agendix::scan {

class ZoneTransitions {
  public:
    // The changes in `file`; null when it cannot be read or is not a usable zone file (one
    // with leap seconds, say).
    static std::unique_ptr<const ZoneTransitions> Load(const std::filesystem::path& file);

    // The changes in the contents of a zone file.
    static std::unique_ptr<const ZoneTransitions> Parse(std::string_view data);

    // The UTC offset in seconds at `utc`, unless it lies before the first change or after the
    // last one while the zone still has rules for changes to come.
    std::optional<int> OffsetAt(std::int64_t utc) const;

  private:
    ZoneTransitions() = default;

    std::vector<std::int64_t> times_;  // of the changes, ascending
    std::vector<int> offsets_;         // offsets_[i] holds from times_[i]
    bool lastHoldsForGood_ = false;    // no rule of the zone changes the last offset
};

}  // namespace agendix::scan
