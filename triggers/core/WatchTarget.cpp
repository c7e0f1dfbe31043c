#include "triggers/core/WatchTarget.h"

#include "scan/core/CalendarFileName.h"

namespace agendix::triggers {
namespace fs = std::filesystem;

namespace {

// "/a/b/" and "/a/./b" both name the folder b in /a.
fs::path Normal(const fs::path& path) {
    fs::path normal = path.lexically_normal();
    if (!normal.has_filename() && normal.has_relative_path()) {
        normal = normal.parent_path();
    }
    return normal;
}

}  // namespace

WatchTarget WatchTarget::File(const fs::path& path) {
    const fs::path normal = Normal(path);
    return {normal.parent_path(), Entries::OneName, normal.filename().string()};
}

WatchTarget WatchTarget::CalendarFolder(const fs::path& folder) {
    return {Normal(folder), Entries::CalendarFiles, {}};
}

bool WatchTarget::Matches(std::string_view entry) const {
    if (entries == Entries::OneName) {
        return entry == name;
    }
    return scan::IsCalendarFileName(entry);
}

std::optional<WatchTarget> CreationWatch(const WatchTarget& target) {
    if (!target.folder.has_relative_path()) {
        return std::nullopt;
    }
    return WatchTarget::File(target.folder);
}

}  // namespace agendix::triggers
