#pragma once

#include <filesystem>

#include "common/linux/Environment.h"

namespace agendix::app {

// The lock that marks the running copy of the program in one user's graphical session: an
// exclusive flock on a file, held for the life of the process. The kernel decides between
// copies started at the same moment, and releases the lock when its holder dies in any way
// (SIGKILL included), so a stale file never stops the next start.
class InstanceLock {
  public:
    enum class State {
        Held,           // this process is the running copy
        HeldByAnother,  // another copy runs
        Unavailable,    // no lock could be made; the program runs without one
    };

    explicit InstanceLock(const std::filesystem::path& lockFile);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    State state() const { return state_; }
    bool PrevInstance() const { return state_ == State::HeldByAnother; }

  private:
    int descriptor_ = -1;
    State state_ = State::Unavailable;
};

// Where the lock of the current user and graphical session lives:
// $XDG_RUNTIME_DIR/agendix-<display>.lock, named after $WAYLAND_DISPLAY, else $DISPLAY (screen
// number dropped). Without a runtime directory, a private folder agendix-<uid> in the temporary
// directory is used. Empty when no safe place exists.
std::filesystem::path InstanceLockPath(const common::EnvironmentLookup& environment);

}  // namespace agendix::app
