#include "app/linux/InstanceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace agendix::app {
namespace {

std::string NonEmpty(const std::optional<std::string>& value) {
    return value.value_or("");
}

// The session's display as a file-name piece: ":0.0" and ":0" name the same X display.
std::string SessionName(const common::EnvironmentLookup& environment) {
    std::string display = NonEmpty(environment("WAYLAND_DISPLAY"));
    if (display.empty()) {
        display = NonEmpty(environment("DISPLAY"));
        const auto colon = display.rfind(':');
        const auto dot = display.rfind('.');
        if (colon != std::string::npos && dot != std::string::npos && dot > colon) {
            display.erase(dot);
        }
    }
    if (display.empty()) {
        return "nodisplay";
    }
    for (char& c : display) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_';
        if (!plain) {
            c = '_';
        }
    }
    return display;
}

// A folder only this user can write to, made when missing: agendix-<uid> in the temp directory.
std::filesystem::path PrivateTempFolder(const common::EnvironmentLookup& environment) {
    std::filesystem::path temp = NonEmpty(environment("TMPDIR"));
    if (temp.empty() || !temp.is_absolute()) {
        temp = "/tmp";
    }
    const std::filesystem::path folder = temp / ("agendix-" + std::to_string(getuid()));
    mkdir(folder.c_str(), 0700);
    struct stat status {};
    if (lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode) ||
        status.st_uid != getuid() || (status.st_mode & 0077) != 0) {
        return {};
    }
    return folder;
}

}  // namespace

std::filesystem::path InstanceLockPath(const common::EnvironmentLookup& environment) {
    std::filesystem::path folder = NonEmpty(environment("XDG_RUNTIME_DIR"));
    if (folder.empty() || !folder.is_absolute()) {
        folder = PrivateTempFolder(environment);
    }
    if (folder.empty()) {
        return {};
    }
    return folder / ("agendix-" + SessionName(environment) + ".lock");
}

InstanceLock::InstanceLock(const std::filesystem::path& lockFile) {
    if (lockFile.empty()) {
        return;
    }
    // Close-on-exec: a program started from here must not inherit the lock.
    descriptor_ = open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (descriptor_ < 0) {
        return;
    }
    if (flock(descriptor_, LOCK_EX | LOCK_NB) == 0) {
        state_ = State::Held;
    } else if (errno == EWOULDBLOCK) {
        state_ = State::HeldByAnother;
    }
}

InstanceLock::~InstanceLock() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

}  // namespace agendix::app
