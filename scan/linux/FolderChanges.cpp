#include "scan/linux/FolderChanges.h"

#include <linux/magic.h>
#include <sys/inotify.h>
#include <sys/vfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace agendix::scan {
namespace {

// Every change to an entry's contents, status or name, and the folder itself going away.
constexpr std::uint32_t kChanges = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR;
// Notices after which changes may have gone unseen.
constexpr std::uint32_t kWatchLost =
    IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

// Local file systems, on which every change goes through this kernel.
bool SeesEveryChange(int folder) {
    struct statfs system {};
    if (::fstatfs(folder, &system) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(system.f_type)) {
        case EXT4_SUPER_MAGIC:  // ext2 and ext3 too
        case BTRFS_SUPER_MAGIC:
        case XFS_SUPER_MAGIC:
        case F2FS_SUPER_MAGIC:
        case TMPFS_MAGIC:
            return true;
        default:
            return false;
    }
}

}  // namespace

std::unique_ptr<FolderChanges> FolderChanges::Watch(int folder) {
    if (!SeesEveryChange(folder)) {
        return nullptr;
    }
    FileDescriptor inotify(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC));
    // The open folder itself is watched, not whatever its path names by now.
    const std::string self = "/proc/self/fd/" + std::to_string(folder);
    if (!inotify || ::inotify_add_watch(inotify.get(), self.c_str(), kChanges) < 0) {
        return nullptr;
    }
    return std::unique_ptr<FolderChanges>(new FolderChanges(std::move(inotify)));
}

FolderChanges::Seen FolderChanges::Take() {
    Seen seen;
    alignas(inotify_event) char buffer[16 * 1024];
    for (;;) {
        const ssize_t count = ::read(inotify_.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            seen.lost = seen.lost || (count < 0 && errno != EAGAIN);
            break;
        }
        for (const char* next = buffer; next < buffer + count;) {
            inotify_event event{};
            std::memcpy(&event, next, sizeof event);
            seen.lost = seen.lost || (event.mask & kWatchLost) != 0;
            if (event.len > 0) {
                seen.names.emplace_back(next + sizeof event);
            }
            next += sizeof event + event.len;
        }
    }
    std::sort(seen.names.begin(), seen.names.end());
    seen.names.erase(std::unique(seen.names.begin(), seen.names.end()), seen.names.end());
    return seen;
}

}  // namespace agendix::scan
