#pragma once

// One .ics file as the scan sees it: its index, its time zones, and the events read so far.
// A file is loaded once and kept while it stays unchanged on disk; events are read with
// libical only when a scan needs them.

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "scan/linux/CalendarFileError.h"
#include "scan/linux/CalendarIndex.h"
#include "scan/linux/EventData.h"
#include "scan/linux/SeriesExpansion.h"
#include "scan/linux/ZoneTransitions.h"

namespace agendix::scan {

// What tells an unchanged file from a changed one.
struct FileIdentity {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;  // nanoseconds
    std::int64_t changed = 0;   // status change (ctime), which no one can set back
    std::uint64_t inode = 0;
    std::uint64_t device = 0;

    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& status);

// An item of the folder: a single event, or a recurring series with its overrides.
struct CalendarEntry {
    std::size_t event = 0;  // index into the file's events
    bool series = false;
    // For a series without overrides: no occurrence starts later than this date, read as
    // written in the file (see IndexedEvent::lastDay). Unknown for every other item.
    DayNumber lastDay = kUnknownDay;
};

// The zones of the system's zone database that the files of a calendar name, each looked up
// and its offset changes read once for all of them.
class SystemZones {
  public:
    SystemZones() = default;
    SystemZones(const SystemZones&) = delete;
    SystemZones& operator=(const SystemZones&) = delete;

    // The zone named `tzid`; floating when the database has none, so that the times are taken
    // as local times.
    TimeZoneRef Find(std::string_view tzid);

  private:
    struct Zone {
        TimeZoneRef ref;
        std::unique_ptr<const ZoneTransitions> transitions;  // what ref.transitions points to
    };
    static Zone Load(std::string_view tzid);

    std::map<std::string, Zone, std::less<>> zones_;  // by TZID
};

class CalendarFile {
  public:
    // Reads and indexes the file `path`, open at `descriptor`, whose status gave `identity`;
    // throws CalendarFileError naming the file when it cannot. Of the single events, only those
    // that start on `keptDays` (as written) can be read later. Zones of the system's database
    // are found in `systemZones`.
    CalendarFile(std::string path, int descriptor, const FileIdentity& identity,
                 const DayRange& keptDays, std::shared_ptr<SystemZones> systemZones);
    ~CalendarFile();
    CalendarFile(const CalendarFile&) = delete;
    CalendarFile& operator=(const CalendarFile&) = delete;

    const FileIdentity& Identity() const { return identity_; }
    const DayRange& KeptDays() const { return index_.keptDays; }

    // The folder's items of this file, in file order; cancelled events are left out.
    const std::vector<CalendarEntry>& Entries() const { return entries_; }
    const IndexedEvent& Indexed(std::size_t event) const { return index_.events[event]; }

    // The event read with libical (once; kept for later scans): a series, an override, or an
    // event of unknown start or one that starts on the kept days. Throws CalendarFileError naming
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
    void LoadTimeZones() const;
    TimeZoneRef ZoneOf(std::string_view tzid) const;

    std::string path_;
    FileIdentity identity_;
    CalendarIndex index_;
    std::vector<CalendarEntry> entries_;
    std::unordered_map<std::size_t, std::vector<std::size_t>> overridesOf_;
    std::shared_ptr<SystemZones> systemZones_;
    // The file's own VTIMEZONEs by TZID, read with libical when an event first names a zone.
    mutable std::optional<std::map<std::string, _icaltimezone*, std::less<>>> timeZones_;

    mutable std::unordered_map<std::size_t, std::unique_ptr<EventData>> events_;
    struct ExpandedSpan {
        LocalDateTime from;
        LocalDateTime until;
        std::vector<Occurrence> occurrences;
    };
    mutable std::unordered_map<std::size_t, ExpandedSpan> expanded_;
};

}  // namespace agendix::scan
