#include "triggers/linux/FolderWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QDebug>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace agendix::triggers {

namespace {

// Entries written, created, deleted or renamed, and the folder itself going away. IN_ONLYDIR:
// a file where a folder is expected is waited for like a missing folder.
constexpr std::uint32_t kFolderEvents = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE |
                                        IN_CREATE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// The watch is gone or events were lost: arm afresh and report a change.
constexpr std::uint32_t kWatchLost =
    IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT | IN_Q_OVERFLOW;

constexpr int kSettleMilliseconds = 300;

}  // namespace

FolderWatch::FolderWatch(Targets targets, QString why, QObject* parent)
    : QObject(parent),
      targets_(std::move(targets)),
      why_(std::move(why)),
      inotify_(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, [this] {
        Arm();
        emit Changed(why_);
    });
    if (!inotify_) {
        qWarning("cannot watch for changes (%s): %s", qUtf8Printable(why_), std::strerror(errno));
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(inotify_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &FolderWatch::ReadEvents);
    Arm();
}

// New watches are added before old ones are removed, so no change slips through in between; a
// folder that is still wanted keeps its watch descriptor.
void FolderWatch::Arm() {
    if (!inotify_) {
        return;
    }
    Watches armed;
    for (const WatchTarget& target : targets_()) {
        Watch(target, armed);
    }
    for (const auto& [watch, targets] : watches_) {
        if (!armed.contains(watch)) {
            inotify_rm_watch(inotify_.get(), watch);
        }
    }
    watches_ = std::move(armed);
}

void FolderWatch::Watch(const WatchTarget& target, Watches& watches) const {
    for (std::optional<WatchTarget> next = target; next; next = CreationWatch(*next)) {
        const int watch = inotify_add_watch(inotify_.get(), next->folder.c_str(), kFolderEvents);
        if (watch >= 0) {
            watches[watch].push_back(*next);
            return;
        }
        if (errno != ENOENT && errno != ENOTDIR) {
            qWarning("cannot watch the folder %s for changes: %s", next->folder.c_str(),
                     std::strerror(errno));
            return;
        }
    }
}

void FolderWatch::ReadEvents() {
    alignas(inotify_event) char buffer[4096];
    bool changed = false;
    ssize_t count = 0;
    while ((count = read(inotify_.get(), buffer, sizeof buffer)) > 0) {
        for (const char* next = buffer; next < buffer + count;) {
            inotify_event event{};
            std::memcpy(&event, next, sizeof event);
            const char* name = next + sizeof event;
            changed = Counts(event.mask, event.wd, event.len > 0 ? name : "") || changed;
            next += sizeof event + event.len;
        }
    }
    if (changed) {
        settle_.start();
    }
}

bool FolderWatch::Counts(std::uint32_t mask, int watch, const char* name) const {
    if ((mask & IN_Q_OVERFLOW) != 0) {
        return true;
    }
    const auto found = watches_.find(watch);
    if (found == watches_.end()) {
        return false;  // a watch removed at the last arming
    }
    if ((mask & kWatchLost) != 0) {
        return true;
    }
    return std::ranges::any_of(found->second,
                               [name](const WatchTarget& target) { return target.Matches(name); });
}

}  // namespace agendix::triggers
