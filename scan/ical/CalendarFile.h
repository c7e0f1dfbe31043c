#pragma once

// One .ics file as the scan sees it: its index, its time zones, and the events read so far.
// A file is loaded once and kept while it stays unchanged on disk; events are read with
// libical only when a scan needs them.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "CalendarFileError.h"
#include "CalendarIndex.h"
#include "EventData.h"
#include "SeriesExpansion.h"
#include "ZoneTransitions.h"

namespace agendix::scan::ical {

// What tells an unchanged file from a changed one.
struct FileIdentity {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;   // status change (ctime), which no one can set back
    std::uint64_t inode = 0;
    std::uint64_t device = 0;

    bool operator==(const FileIdentity&) const = default;
};

// An item of the folder: a single event, or a recurring series with its overrides.
struct CalendarEntry {
    std::size_t event = 0;  // index into the file's events
    bool series = false;
    // For a series without overrides: no occurrence starts later than this date, read as
    // written in the file (see IndexedEvent::lastDay). Unknown for every other item.
    DayNumber lastDay = kUnknownDay;
};

// A zone of the system's zone database, with the offset changes read for it.
struct SystemZone {
    TimeZoneRef ref;
    std::unique_ptr<const ZoneTransitions> transitions;  // what ref.transitions points to
};

class CalendarFile {
  public:
    // Reads and indexes the file; throws CalendarFileError naming it when it cannot.
    CalendarFile(std::filesystem::path path, FileIdentity identity);
    ~CalendarFile();
    CalendarFile(const CalendarFile&) = delete;
    CalendarFile& operator=(const CalendarFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    const FileIdentity& Identity() const { return identity_; }

    // The folder's items of this file, in file order; cancelled events are left out.
    const std::vector<CalendarEntry>& Entries() const { return entries_; }
    const IndexedEvent& Indexed(std::size_t event) const { return index_.events[event]; }

    // The event read with libical (once; kept for later scans). Throws CalendarFileError naming
    // the file and the event's line when it cannot be read.
    const EventData& Event(std::size_t event) const;
    // The overrides of the series `event` in this file, read like Event.
    std::vector<const EventData*> Overrides(std::size_t event) const;

    // The occurrences of the series `event` that start in [from, until). The series is expanded
    // for two days from `from` at a time and the result kept, so that the days a scan asks for
    // and the rescans of an unchanged file do not expand it again.
    std::vector<Occurrence> Occurrences(std::size_t event, const LocalDateTime& from,
                                        const LocalDateTime& until) const;

  private:
    void GroupSeries();
    void LoadTimeZones();
    TimeZoneRef ZoneOf(std::string_view tzid) const;

    std::filesystem::path path_;
    FileIdentity identity_;
    std::string text_;
    CalendarIndex index_;
    std::vector<CalendarEntry> entries_;
    std::unordered_map<std::size_t, std::vector<std::size_t>> overridesOf_;
    std::map<std::string, _icaltimezone*, std::less<>> timeZones_;
    mutable std::map<std::string, SystemZone, std::less<>> systemZones_;  // by TZID

    mutable std::unordered_map<std::size_t, std::unique_ptr<EventData>> events_;
    struct ExpandedSpan {
        LocalDateTime from;
        LocalDateTime until;
        std::vector<Occurrence> occurrences;
    };
    mutable std::unordered_map<std::size_t, ExpandedSpan> expanded_;
};

// The files of a calendar as one scan finds them.
struct CalendarContents {
    std::vector<std::shared_ptr<const CalendarFile>> files;  // in order of name
    bool isDirectory = false;
    // The files of a directory that could not be read and are left out.
    std::vector<CalendarFileError> unreadable;
};

// The calendar at a location (one file or a directory of .ics files), loaded afresh for each
// scan but reusing the files that did not change.
class CalendarFiles {
  public:
    // Throws CalendarError naming the path when the location cannot be read, or when it is a
    // single file that cannot be read. A missing location is an empty calendar when
    // `missingIsEmpty`.
    CalendarContents Load(const std::filesystem::path& location, bool missingIsEmpty);

  private:
    // Null when `mayHaveGone` and the file no longer exists.
    std::shared_ptr<const CalendarFile> LoadFile(const std::filesystem::path& path,
                                                 bool mayHaveGone);

    std::map<std::filesystem::path, std::shared_ptr<const CalendarFile>> loaded_;
};

}  // namespace agendix::scan::ical
