#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace agendix::triggers {

// A folder to watch and the entries in it whose changes count: one name, or every calendar file
// (a name ending in .ics in any case that is not hidden), the files a scan reads from a calendar
// folder.
struct WatchTarget {
    enum class Entries { OneName, CalendarFiles };

    std::filesystem::path folder;
    Entries entries = Entries::OneName;
    std::string name;  // the entry that counts, for OneName

    // The file at `path`: its folder, reacting to its name only.
    static WatchTarget File(const std::filesystem::path& path);
    // A calendar folder: every calendar file in it.
    static WatchTarget CalendarFolder(const std::filesystem::path& folder);

    bool Matches(std::string_view entry) const;

    bool operator==(const WatchTarget&) const = default;
};

// Where to wait for a target whose folder does not exist yet: in the parent folder, for the
// folder's name. None for the root.
std::optional<WatchTarget> CreationWatch(const WatchTarget& target);

}  // namespace agendix::triggers
