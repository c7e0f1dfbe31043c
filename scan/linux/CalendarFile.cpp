#include "scan/linux/CalendarFile.h"

#include <libical/ical.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string_view>

#include "common/core/Ascii.h"
#include "scan/linux/CalendarFileError.h"

namespace agendix::scan {
namespace {

// Reads the file of `size` bytes open at `descriptor` for its index. A read that comes short
// once `size` bytes are in is the end of the file: only a file that grows while it is read is
// asked for more.
class FileRead {
  public:
    FileRead(int descriptor, const std::string& path, std::uintmax_t size)
        : descriptor_(descriptor), path_(path), size_(size) {}

    std::size_t operator()(char* buffer, std::size_t room) {
        ssize_t count = 0;
        while (!ended_ && (count = ::read(descriptor_, buffer, room)) < 0) {
            if (errno != EINTR) {
                throw CalendarFileError(path_, 0, std::strerror(errno));
            }
        }
        total_ += static_cast<std::size_t>(count);
        ended_ =
            ended_ || count == 0 || (static_cast<std::size_t>(count) < room && total_ == size_);
        return static_cast<std::size_t>(count);
    }

  private:
    int descriptor_;
    const std::string& path_;
    std::uintmax_t size_;
    std::uintmax_t total_ = 0;
    bool ended_ = false;
};

// Zone names come from the calendar data; only plain zone names reach the zone database.
bool IsPlainZoneName(std::string_view tzid) {
    return !tzid.empty() && tzid.find("..") == std::string_view::npos &&
           std::all_of(tzid.begin(), tzid.end(), [](char c) {
               return common::IsAsciiAlphanumeric(c) ||
                      std::string_view("/_-+.").find(c) != std::string_view::npos;
           });
}

}  // namespace

FileIdentity IdentityOf(const struct stat& status) {
    return {static_cast<std::uintmax_t>(status.st_size),
            std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec,
            std::int64_t{status.st_ctim.tv_sec} * 1'000'000'000 + status.st_ctim.tv_nsec,
            static_cast<std::uint64_t>(status.st_ino), static_cast<std::uint64_t>(status.st_dev)};
}

TimeZoneRef SystemZones::Find(std::string_view tzid) {
    auto known = zones_.find(tzid);
    if (known == zones_.end()) {
        known = zones_.emplace(tzid, Load(tzid)).first;
    }
    return known->second.ref;
}

// The zone with its offset changes read from the database itself.
SystemZones::Zone SystemZones::Load(std::string_view tzid) {
    icaltimezone* system = nullptr;
    if (IsPlainZoneName(tzid)) {
        const std::string name(tzid);
        system = name.front() == '/' ? icaltimezone_get_builtin_timezone_from_tzid(name.c_str())
                                     : icaltimezone_get_builtin_timezone(name.c_str());
    }
    if (!system) {
        return {};
    }
    if (system == icaltimezone_get_utc_timezone()) {
        return {{TimeZoneRef::Kind::Utc, nullptr}, nullptr};
    }
    Zone zone{{TimeZoneRef::Kind::Zoned, system}, nullptr};
    const char* directory = icaltzutil_get_zone_directory();
    if (const char* location = icaltimezone_get_location(system); directory && location) {
        zone.transitions = ZoneTransitions::Load(std::filesystem::path(directory) / location);
        zone.ref.transitions = zone.transitions.get();
    }
    return zone;
}

CalendarFile::CalendarFile(std::string path, int descriptor, const FileIdentity& identity,
                           const DayRange& keptDays, std::shared_ptr<SystemZones> systemZones)
    : path_(std::move(path)),
      identity_(identity),
      index_([&] {
          FileRead read(descriptor, path_, identity.size);
          return IndexCalendar(std::ref(read), static_cast<std::size_t>(identity.size), keptDays,
                               path_);
      }()),
      systemZones_(std::move(systemZones)) {
    GroupSeries();
}

CalendarFile::~CalendarFile() {
    if (timeZones_) {
        for (auto& [tzid, zone] : *timeZones_) {
            icaltimezone_free(zone, 1);
        }
    }
}

// Makes the items: every event but the overrides of a series in the file, each series at the
// place of its master event, with the last day of a series that cannot move. Cancelled events are
// left out, a cancelled series with its overrides.
void CalendarFile::GroupSeries() {
    entries_.reserve(index_.events.size());
    std::unordered_map<std::string_view, std::size_t> masters;
    for (std::size_t i = 0; i < index_.events.size(); ++i) {
        const IndexedEvent& event = index_.events[i];
        if (event.recurring && !event.isOverride) {
            masters.emplace(event.uid, i);
        }
    }
    for (std::size_t i = 0; i < index_.events.size(); ++i) {
        const IndexedEvent& event = index_.events[i];
        if (event.isOverride) {
            const auto master = masters.find(event.uid);
            if (master != masters.end()) {
                if (!index_.events[master->second].cancelled) {
                    overridesOf_[master->second].push_back(i);
                }
                continue;
            }
        }
        if (!event.cancelled) {
            entries_.push_back({i, event.recurring && !event.isOverride});
        }
    }
    // An override may move an occurrence of an ended series to any later day.
    for (CalendarEntry& entry : entries_) {
        if (entry.series && !overridesOf_.contains(entry.event)) {
            entry.lastDay = index_.events[entry.event].lastDay;
        }
    }
}

// Reads the file's VTIMEZONEs. Unusable or repeated definitions are passed over: such a TZID
// is then looked up in the system's zone database.
void CalendarFile::LoadTimeZones() const {
    timeZones_.emplace();
    for (const IndexedComponent& range : index_.timeZones) {
        icalcomponent* component =
            icalcomponent_new_from_string(std::string(index_.Text(range)).c_str());
        icalproperty* tzid =
            component ? icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY) : nullptr;
        const char* name = tzid ? icalproperty_get_tzid(tzid) : nullptr;
        if (!name || icalcomponent_isa(component) != ICAL_VTIMEZONE_COMPONENT ||
            timeZones_->contains(name)) {
            if (component) {
                icalcomponent_free(component);
            }
            continue;
        }
        icaltimezone* zone = icaltimezone_new();
        icaltimezone_set_component(zone, component);
        timeZones_->emplace(name, zone);
    }
}

TimeZoneRef CalendarFile::ZoneOf(std::string_view tzid) const {
    if (!timeZones_) {
        LoadTimeZones();
    }
    if (const auto own = timeZones_->find(tzid); own != timeZones_->end()) {
        return {TimeZoneRef::Kind::Zoned, own->second};
    }
    return systemZones_->Find(tzid);
}

const EventData& CalendarFile::Event(std::size_t event) const {
    auto& slot = events_[event];
    if (!slot) {
        const IndexedEvent& range = index_.events[event];
        slot = std::make_unique<EventData>(ReadEvent(
            index_.Text(range), [this](std::string_view tzid) { return ZoneOf(tzid); }, path_,
            range.line));
    }
    return *slot;
}

std::vector<const EventData*> CalendarFile::Overrides(std::size_t event) const {
    std::vector<const EventData*> overrides;
    if (const auto changes = overridesOf_.find(event); changes != overridesOf_.end()) {
        for (const std::size_t change : changes->second) {
            overrides.push_back(&Event(change));
        }
    }
    return overrides;
}

std::vector<Occurrence> CalendarFile::Occurrences(std::size_t event, const LocalDateTime& from,
                                                  const LocalDateTime& until) const {
    constexpr int kDaysExpanded = 2;  // today and tomorrow
    ExpandedSpan& span = expanded_[event];
    if (from < span.from || span.until < until || span.until <= span.from) {
        span.from = StartOfDay(from.date);
        span.until = std::max(until, StartOfDay(AddDays(from.date, kDaysExpanded)));
        span.occurrences =
            OccurrencesBetween(Event(event), Overrides(event), span.from, span.until);
    }
    std::vector<Occurrence> inRange;
    for (const Occurrence& occurrence : span.occurrences) {
        const LocalDateTime start = ToLocal(occurrence.start);
        if (from <= start && start < until) {
            inRange.push_back(occurrence);
        }
    }
    return inRange;
}

}  // namespace agendix::scan
