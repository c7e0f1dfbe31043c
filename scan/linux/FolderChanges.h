#pragma once

// The changes the kernel has seen in a folder since the last look (inotify), so that a rescan of
// a folder in which nothing changed need not look at its files one by one. A change made on
// another machine is not seen on a network or user-space file system, and a change to a file
// through a link from elsewhere (a symbolic link in the folder, or a hard link in another
// folder) is not seen as a change in the folder: such files still have to be looked at.

#include <memory>
#include <string>
#include <vector>

#include "scan/linux/FileDescriptor.h"

namespace agendix::scan {

class FolderChanges {
  public:
    // Starts watching the folder open at `folder`. Null when the kernel cannot watch it or
    // cannot be relied on to see every change to it: on a file system other than the common
    // local ones.
    static std::unique_ptr<FolderChanges> Watch(int folder);

    struct Seen {
        bool lost = false;  // changes went unnamed, or the folder itself was moved or removed:
                            // the watch is of no further use
        std::vector<std::string> names;  // the entries that changed, sorted
    };

    // The changes seen since the watch began or since the last call.
    Seen Take();

  private:
    explicit FolderChanges(FileDescriptor inotify) : inotify_(std::move(inotify)) {}

    FileDescriptor inotify_;
};

}  // namespace agendix::scan
