#pragma once

// The calendar at a location, one .ics file or a folder of them, as each scan finds it: the
// files that did not change since the scan before are not read again.

#include <dirent.h>
#include <sys/types.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "scan/linux/CalendarFile.h"
#include "scan/linux/CalendarFileError.h"
#include "scan/linux/FolderChanges.h"

namespace agendix::scan {

// The files of a calendar as one scan finds them.
struct CalendarContents {
    std::vector<std::shared_ptr<const CalendarFile>> files;  // in order of name
    bool isDirectory = false;
    // The files of a directory that could not be read and are left out.
    std::vector<CalendarFileError> unreadable;
    DayRange keptDays;  // on which every file keeps its single events
};

// A file is taken as unchanged while its identity (size, times, inode) is. In a folder whose
// changes the kernel reports (FolderChanges), a scan looks only at the files reported as
// changed, and reads them again whatever their identity says, so that a rewrite within one tick
// of the file system's clock is not missed; elsewhere it lists the folder and looks at every
// file. A file keeps the single
// events of the days around those a scan asked for (see CalendarFile::KeptDays), and is read
// again for a scan that asks for days it does not keep.
class CalendarFiles {
  public:
    CalendarFiles();
    ~CalendarFiles();
    CalendarFiles(CalendarFiles&&) noexcept;
    CalendarFiles& operator=(CalendarFiles&&) noexcept;

    // The calendar with the single events of `days` kept in its files. Throws CalendarError
    // naming the path when the location cannot be read, or when it is a single file that cannot
    // be read. A missing location is an empty calendar when `missingIsEmpty`.
    CalendarContents Load(const std::filesystem::path& location, bool missingIsEmpty,
                          const DayRange& days);

  private:
    // A calendar file of the folder as the last look found it.
    struct FolderEntry {
        std::string name;
        bool symbolicLink = false;
        // Its changes may go unreported: it is looked at in every scan.
        bool unwatched = true;
        std::shared_ptr<const CalendarFile> file;        // null when it could not be read
        std::shared_ptr<const CalendarFileError> error;  // why, unless it was not there
    };

    CalendarContents LoadFolder(const std::string& path, const DayRange& days);
    std::vector<FolderEntry> ListFolder(DIR& directory, const std::vector<std::string>& changed,
                                        const DayRange& days) const;
    void ReadChanged(const std::string& name, int folder, const DayRange& days);
    void Update(FolderEntry& entry, int folder, bool mustRead, const DayRange& days) const;
    void Read(FolderEntry& entry, int folder, const DayRange& days) const;
    CalendarContents FolderContents() const;

    std::shared_ptr<SystemZones> systemZones_;
    std::string location_;                      // of what is loaded
    std::shared_ptr<const CalendarFile> file_;  // a single-file calendar
    // A folder calendar: the folder (device and inode), its changes and its files.
    dev_t folderDevice_ = 0;
    ino_t folderInode_ = 0;
    std::unique_ptr<FolderChanges> changes_;
    std::vector<FolderEntry> entries_;  // in order of name
};

}  // namespace agendix::scan
