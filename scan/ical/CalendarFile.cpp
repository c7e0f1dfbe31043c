#include "CalendarFile.h"

#include <fcntl.h>
#include <libical/ical.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string_view>

#include "Ascii.h"
#include "CalendarFileError.h"

namespace agendix::scan::ical {
namespace {

namespace fs = std::filesystem;

// Lets go of a file descriptor when it goes out of scope.
class FileDescriptor {
  public:
    explicit FileDescriptor(int descriptor) : descriptor_(descriptor) {}
    ~FileDescriptor() {
        if (descriptor_ >= 0) {
            ::close(descriptor_);
        }
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return descriptor_; }

  private:
    int descriptor_;
};

[[noreturn]] void FailToRead(const fs::path& path, int error) {
    throw CalendarFileError(path.string(), 0, std::strerror(error));
}

FileIdentity IdentityOf(const struct stat& status) {
    return {static_cast<std::uintmax_t>(status.st_size),
            std::int64_t{status.st_mtim.tv_sec} * 1'000'000'000 + status.st_mtim.tv_nsec,
            std::int64_t{status.st_ctim.tv_sec} * 1'000'000'000 + status.st_ctim.tv_nsec,
            static_cast<std::uint64_t>(status.st_ino), static_cast<std::uint64_t>(status.st_dev)};
}

std::string ReadFile(const fs::path& path, FileIdentity& identity) {
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat status {};
    if (file.get() < 0 || ::fstat(file.get(), &status) != 0) {
        FailToRead(path, errno);
    }
    identity = IdentityOf(status);
    std::string text;
    text.reserve(static_cast<std::size_t>(status.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            FailToRead(path, errno);
        }
        if (count == 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
}

bool IsCalendarFileName(const fs::path& path) {
    const std::string name = path.filename().string();
    // Hidden files are the temporary files of synchronisers.
    return !name.empty() && name.front() != '.' && EndsWithNoCase(name, ".ics");
}

std::vector<fs::path> CalendarFilesIn(const fs::path& directory) {
    std::error_code error;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(directory, error), end; !error && it != end;
         it.increment(error)) {
        // An entry whose type cannot be found out is listed, so that its reading tells why.
        std::error_code typeError;
        if (IsCalendarFileName(it->path()) && (it->is_regular_file(typeError) || typeError)) {
            files.push_back(it->path());
        }
    }
    if (error) {
        throw CalendarError("cannot read the calendar folder " + directory.string() + ": " +
                            error.message());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Zone names come from the calendar data; only plain zone names reach the zone database.
bool IsPlainZoneName(std::string_view tzid) {
    return !tzid.empty() && tzid.find("..") == std::string_view::npos &&
           std::all_of(tzid.begin(), tzid.end(), [](char c) {
               return IsAsciiAlphanumeric(c) ||
                      std::string_view("/_-+.").find(c) != std::string_view::npos;
           });
}

// The zone of the system's zone database named `tzid`, with its offset changes read from the
// database itself; floating when there is none, so that the times are taken as local times.
SystemZone SystemZoneOf(std::string_view tzid) {
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
    SystemZone zone{{TimeZoneRef::Kind::Zoned, system}, nullptr};
    const char* directory = icaltzutil_get_zone_directory();
    if (const char* location = icaltimezone_get_location(system); directory && location) {
        zone.transitions = ZoneTransitions::Load(fs::path(directory) / location);
        zone.ref.transitions = zone.transitions.get();
    }
    return zone;
}

}  // namespace

CalendarFile::CalendarFile(fs::path path, FileIdentity identity)
    : path_(std::move(path)), identity_(identity) {
    text_ = ReadFile(path_, identity_);
    index_ = IndexCalendar(text_, path_.string());
    GroupSeries();
    LoadTimeZones();
}

CalendarFile::~CalendarFile() {
    for (auto& [tzid, zone] : timeZones_) {
        icaltimezone_free(zone, 1);
    }
}

// Makes the items: every event but the overrides of a series in the file, each series at the
// place of its master event, with the last day of a series that cannot move. Cancelled events are
// left out, a cancelled series with its overrides.
void CalendarFile::GroupSeries() {
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

void CalendarFile::LoadTimeZones() {
    for (const IndexedComponent& range : index_.timeZones) {
        icalcomponent* component =
            icalcomponent_new_from_string(text_.substr(range.offset, range.length).c_str());
        icalproperty* tzid =
            component ? icalcomponent_get_first_property(component, ICAL_TZID_PROPERTY) : nullptr;
        const char* name = tzid ? icalproperty_get_tzid(tzid) : nullptr;
        if (!name || icalcomponent_isa(component) != ICAL_VTIMEZONE_COMPONENT ||
            timeZones_.contains(name)) {
            // Unusable or repeated definitions are passed over: such a TZID is then looked up
            // in the system's zone database.
            if (component) {
                icalcomponent_free(component);
            }
            continue;
        }
        icaltimezone* zone = icaltimezone_new();
        icaltimezone_set_component(zone, component);
        timeZones_.emplace(name, zone);
    }
}

TimeZoneRef CalendarFile::ZoneOf(std::string_view tzid) const {
    if (const auto own = timeZones_.find(tzid); own != timeZones_.end()) {
        return {TimeZoneRef::Kind::Zoned, own->second};
    }
    if (const auto known = systemZones_.find(tzid); known != systemZones_.end()) {
        return known->second.ref;
    }
    return systemZones_.emplace(tzid, SystemZoneOf(tzid)).first->second.ref;
}

const EventData& CalendarFile::Event(std::size_t event) const {
    auto& slot = events_[event];
    if (!slot) {
        const IndexedEvent& range = index_.events[event];
        slot = std::make_unique<EventData>(ReadEvent(
            std::string_view(text_).substr(range.offset, range.length),
            [this](std::string_view tzid) { return ZoneOf(tzid); }, path_.string(), range.line));
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

CalendarContents CalendarFiles::Load(const fs::path& location, bool missingIsEmpty) {
    std::error_code error;
    const fs::file_status status = fs::status(location, error);
    if (status.type() == fs::file_type::not_found && missingIsEmpty) {
        loaded_.clear();
        return {};
    }
    if (status.type() == fs::file_type::not_found) {
        throw CalendarError("the calendar " + location.string() + " does not exist");
    }
    if (error) {
        throw CalendarError("cannot read the calendar " + location.string() + ": " +
                            error.message());
    }
    if (!fs::is_directory(status)) {
        auto file = LoadFile(location, false);
        loaded_ = {{location, file}};
        return {{std::move(file)}, false, {}};
    }
    CalendarContents contents{{}, true, {}};
    std::map<fs::path, std::shared_ptr<const CalendarFile>> current;
    for (const fs::path& path : CalendarFilesIn(location)) {
        // A synchroniser may remove a file between the listing and its reading, or be writing
        // one: the scan goes on without it.
        try {
            if (auto file = LoadFile(path, true)) {
                contents.files.push_back(current[path] = std::move(file));
            }
        } catch (const CalendarFileError& unreadable) {
            contents.unreadable.push_back(unreadable);
        }
    }
    loaded_ = std::move(current);
    return contents;
}

std::shared_ptr<const CalendarFile> CalendarFiles::LoadFile(const fs::path& path,
                                                            bool mayHaveGone) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        if (errno == ENOENT && mayHaveGone) {
            return nullptr;
        }
        FailToRead(path, errno);
    }
    const FileIdentity identity = IdentityOf(status);
    if (const auto known = loaded_.find(path);
        known != loaded_.end() && known->second->Identity() == identity) {
        return known->second;
    }
    return std::make_shared<const CalendarFile>(path, identity);
}

}  // namespace agendix::scan::ical
