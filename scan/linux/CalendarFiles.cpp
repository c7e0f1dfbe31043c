#include "scan/linux/CalendarFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "scan/core/CalendarFileName.h"
#include "scan/linux/FileDescriptor.h"

namespace agendix::scan {
namespace {

struct CloseDirectory {
    void operator()(DIR* directory) const { ::closedir(directory); }
};
using DirectoryPtr = std::unique_ptr<DIR, CloseDirectory>;

enum class Listing { Left, File, Link };

// Whether the entry `name` of `folder`, of the type `type` (DT_UNKNOWN: to be found out) is
// listed: regular files are, and symbolic links to them. An entry whose type cannot be found out
// is listed as a link, so that its reading tells why and is tried again at every scan.
Listing ListingOf(int folder, const char* name, unsigned char type) {
    struct stat status {};
    if (type == DT_UNKNOWN) {
        if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            return errno == ENOENT ? Listing::Left : Listing::Link;
        }
        type = S_ISREG(status.st_mode) ? DT_REG : S_ISLNK(status.st_mode) ? DT_LNK : DT_UNKNOWN;
    }
    if (type == DT_REG) {
        return Listing::File;
    }
    if (type == DT_LNK && (::fstatat(folder, name, &status, 0) != 0 || S_ISREG(status.st_mode))) {
        return Listing::Link;
    }
    return Listing::Left;
}

[[noreturn]] void FailToReadFolder(const std::string& path, int error) {
    throw CalendarError("cannot read the calendar folder " + path + ": " + std::strerror(error));
}

// The path of the entry `name` of the folder `folder`.
std::string PathIn(const std::string& folder, const std::string& name) {
    return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

// A file read for a scan keeps the single events of the two months either side of the days the
// scan needs, so that the scans of the weeks after it need not read it again.
DayRange KeptDaysFor(const DayRange& days) {
    constexpr int kMarginDays = 62;
    const DayRange every;
    return {
        days.first == every.first ? days.first
                                  : DayNumberOf(AddDays(DateOf(days.first), -kMarginDays)),
        days.last == every.last ? days.last : DayNumberOf(AddDays(DateOf(days.last), kMarginDays))};
}

// Whether `file` can be taken over for a scan of `days` by what its status says.
bool IsCurrent(const CalendarFile& file, const struct stat& status, const DayRange& days) {
    return file.Identity() == IdentityOf(status) && file.KeptDays().Contains(days);
}

// The file `name` in the folder open at `folder` (AT_FDCWD: `name` is `path`), read afresh for a
// scan of `days`; `status` is left with the status of the file read. Null when there is no such
// file.
std::shared_ptr<const CalendarFile> ReadCalendarFile(int folder, const std::string& name,
                                                     std::string path, const DayRange& days,
                                                     std::shared_ptr<SystemZones> systemZones,
                                                     struct stat& status) {
    // Not blocking: a named pipe would otherwise hold the scan until something writes to it.
    const FileDescriptor file(
        ::openat(folder, name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!file && errno == ENOENT) {
        return nullptr;
    }
    if (!file || ::fstat(file.get(), &status) != 0) {
        throw CalendarFileError(path, 0, std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        throw CalendarFileError(path, 0, "it is not a regular file");
    }
    return std::make_shared<const CalendarFile>(std::move(path), file.get(), IdentityOf(status),
                                                KeptDaysFor(days), std::move(systemZones));
}

}  // namespace

CalendarFiles::CalendarFiles() : systemZones_(std::make_shared<SystemZones>()) {}
CalendarFiles::~CalendarFiles() = default;
CalendarFiles::CalendarFiles(CalendarFiles&&) noexcept = default;
CalendarFiles& CalendarFiles::operator=(CalendarFiles&&) noexcept = default;

CalendarContents CalendarFiles::Load(const std::filesystem::path& location, bool missingIsEmpty,
                                     const DayRange& days) {
    const std::string path = location.string();
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        const int error = errno;
        if (error != ENOENT && error != ENOTDIR) {
            throw CalendarError("cannot read the calendar " + path + ": " + std::strerror(error));
        }
        *this = CalendarFiles();
        if (missingIsEmpty) {
            return {};
        }
        throw CalendarError("the calendar " + path + " does not exist");
    }
    if (path != location_) {
        *this = CalendarFiles();
        location_ = path;
    }
    if (S_ISDIR(status.st_mode)) {
        file_.reset();
        return LoadFolder(path, days);
    }
    entries_.clear();
    changes_.reset();
    if (!file_ || !IsCurrent(*file_, status, days)) {
        file_ = ReadCalendarFile(AT_FDCWD, path, path, days, systemZones_, status);
        if (!file_) {
            throw CalendarFileError(path, 0, std::strerror(ENOENT));
        }
    }
    return {{file_}, false, {}, file_->KeptDays()};
}

// With the changes reported by name, the files named are read again and those whose changes go
// unreported looked at; else the folder is listed and every file looked at again.
CalendarContents CalendarFiles::LoadFolder(const std::string& path, const DayRange& days) {
    // Past this many changes the folder is listed afresh rather than have each change placed
    // among the files known.
    constexpr std::size_t kMostChangesPlaced = 256;
    FileDescriptor folder(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat status {};
    if (!folder || ::fstat(folder.get(), &status) != 0) {
        FailToReadFolder(path, errno);
    }
    const bool sameFolder = status.st_dev == folderDevice_ && status.st_ino == folderInode_;
    FolderChanges::Seen changed;
    if (changes_ && sameFolder) {
        changed = changes_->Take();
        if (!changed.lost && changed.names.size() <= kMostChangesPlaced) {
            for (const std::string& name : changed.names) {
                ReadChanged(name, folder.get(), days);
            }
            for (FolderEntry& entry : entries_) {
                if (entry.unwatched || (entry.file && !entry.file->KeptDays().Contains(days))) {
                    Update(entry, folder.get(), false, days);
                }
            }
            return FolderContents();
        }
    }
    // Held back until the listing succeeds: after a failed one, the changes it took are gone and
    // the next scan must list the folder again.
    std::unique_ptr<FolderChanges> watch = std::move(changes_);
    if (!watch || !sameFolder || changed.lost) {
        // Watched before it is listed, so that no change after the listing goes unseen.
        watch = FolderChanges::Watch(folder.get());
        folderDevice_ = status.st_dev;
        folderInode_ = status.st_ino;
    }
    const DirectoryPtr directory(::fdopendir(folder.get()));
    if (!directory) {
        FailToReadFolder(path, errno);
    }
    folder.release();
    entries_ = ListFolder(*directory, changed.names, days);
    changes_ = std::move(watch);
    return FolderContents();
}

// Places the entry `name`, reported as changed, among the files known: read again, or left out
// when it is no calendar file now.
void CalendarFiles::ReadChanged(const std::string& name, int folder, const DayRange& days) {
    if (!IsCalendarFileName(name)) {
        return;
    }
    const auto at = std::lower_bound(
        entries_.begin(), entries_.end(), name,
        [](const FolderEntry& entry, const std::string& key) { return entry.name < key; });
    const bool known = at != entries_.end() && at->name == name;
    const Listing listing = ListingOf(folder, name.c_str(), DT_UNKNOWN);
    if (listing == Listing::Left) {
        if (known) {
            entries_.erase(at);
        }
        return;
    }
    FolderEntry& entry = known ? *at : *entries_.insert(at, {name, false, true, {}, {}});
    entry.symbolicLink = listing == Listing::Link;
    Read(entry, folder, days);
}

// The calendar files of the folder in order of name, each taken over from the last look when
// it is unchanged and not among `changed`, else read afresh.
std::vector<CalendarFiles::FolderEntry> CalendarFiles::ListFolder(
    DIR& directory, const std::vector<std::string>& changed, const DayRange& days) const {
    const int folder = ::dirfd(&directory);
    std::vector<FolderEntry> listed;
    errno = 0;
    while (const dirent* entry = ::readdir(&directory)) {
        if (IsCalendarFileName(entry->d_name)) {
            if (const Listing listing = ListingOf(folder, entry->d_name, entry->d_type);
                listing != Listing::Left) {
                listed.push_back({entry->d_name, listing == Listing::Link, true, {}, {}});
            }
        }
        errno = 0;
    }
    if (errno != 0) {
        FailToReadFolder(location_, errno);
    }
    std::sort(listed.begin(), listed.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    auto known = entries_.begin();
    for (FolderEntry& entry : listed) {
        while (known != entries_.end() && known->name < entry.name) {
            ++known;
        }
        if (known != entries_.end() && known->name == entry.name) {
            entry.file = known->file;
        }
        Update(entry, folder, std::binary_search(changed.begin(), changed.end(), entry.name), days);
    }
    return listed;
}

// Takes the entry's file over when it is current and need not be read, else reads it.
void CalendarFiles::Update(FolderEntry& entry, int folder, bool mustRead,
                           const DayRange& days) const {
    struct stat status {};
    if (entry.file && !mustRead && ::fstatat(folder, entry.name.c_str(), &status, 0) == 0 &&
        IsCurrent(*entry.file, status, days)) {
        entry.unwatched = entry.symbolicLink || status.st_nlink > 1;
        return;
    }
    Read(entry, folder, days);
}

// A file that cannot be read, or has gone, is tried again at every scan. A synchroniser may
// remove a file between the listing and its reading, or be writing one: the scan goes on
// without it.
void CalendarFiles::Read(FolderEntry& entry, int folder, const DayRange& days) const {
    entry.file.reset();
    entry.error.reset();
    entry.unwatched = true;
    struct stat status {};
    try {
        entry.file = ReadCalendarFile(folder, entry.name, PathIn(location_, entry.name), days,
                                      systemZones_, status);
        entry.unwatched = !entry.file || entry.symbolicLink || status.st_nlink > 1;
    } catch (const CalendarFileError& unreadable) {
        entry.error = std::make_shared<const CalendarFileError>(unreadable);
    }
}

CalendarContents CalendarFiles::FolderContents() const {
    CalendarContents contents{{}, true, {}, {}};
    contents.files.reserve(entries_.size());
    for (const FolderEntry& entry : entries_) {
        if (entry.file) {
            contents.files.push_back(entry.file);
            contents.keptDays.first =
                std::max(contents.keptDays.first, entry.file->KeptDays().first);
            contents.keptDays.last = std::min(contents.keptDays.last, entry.file->KeptDays().last);
        } else if (entry.error) {
            contents.unreadable.push_back(*entry.error);
        }
    }
    return contents;
}

}  // namespace agendix::scan
