#include "scan/linux/IcalCalendar.h"

#include <libical/ical.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>

#include "scan/core/MergedCalendar.h"
#include "scan/linux/CalendarFiles.h"
#include "scan/linux/CalendarIndex.h"

namespace agendix::scan {
namespace {

namespace fs = std::filesystem;

// An item of the folder, shared with the file it came from.
struct EntryRef {
    std::shared_ptr<const CalendarFile> file;
    CalendarEntry entry;
};

// The days whose events a scan of [from, until) looks at: two days either side, the most that
// zone offsets can move a date.
DayRange NeededDays(const LocalDateTime& from, const LocalDateTime& until) {
    return {DayNumberOf(AddDays(from.date, -2)), DayNumberOf(AddDays(until.date, 2))};
}

LocalDateTime LocalStart(const EventData& event) {
    return ToLocal(MomentOf(event.start));
}

LocalDateTime LocalEnd(const EventData& event) {
    return ToLocal(AddDuration(MomentOf(event.start), event.duration, event.start.zone));
}

class SeriesPattern : public RecurrencePattern {
  public:
    explicit SeriesPattern(EntryRef series) : series_(std::move(series)) {}

    LocalDateTime StartTime() const override {
        return LocalStart(series_.file->Event(series_.entry.event));
    }

    std::unique_ptr<AppointmentItem> GetOccurrence(const LocalDateTime& start) const override;

    std::vector<std::unique_ptr<AppointmentItem>> GetOccurrences(
        const LocalDateTime& from, const LocalDateTime& until) const override;

  private:
    EntryRef series_;
};

// A single event, or the master event of a series.
class EventItem : public AppointmentItem {
  public:
    explicit EventItem(EntryRef ref) : ref_(std::move(ref)) {}

    bool IsRecurring() const override { return ref_.entry.series; }
    std::unique_ptr<RecurrencePattern> GetRecurrencePattern() const override {
        if (!ref_.entry.series) {
            throw CalendarError("\"" + Subject() + "\" is not a recurring appointment");
        }
        return std::make_unique<SeriesPattern>(ref_);
    }
    LocalDateTime Start() const override { return LocalStart(Data()); }
    LocalDateTime End() const override { return LocalEnd(Data()); }
    std::string Subject() const override { return Data().subject.value_or(""); }
    std::string Location() const override { return Data().location.value_or(""); }
    // A series stands for its occurrences, each with an identity of its own. An override
    // without its series in the file is that occurrence.
    std::string Identity() const override {
        const std::string& uid = ref_.file->Indexed(ref_.entry.event).uid;
        if (ref_.entry.series) {
            return {};
        }
        if (const auto& recurrenceId = Data().recurrenceId) {
            const Moment original = MomentOf(*recurrenceId);
            return OccurrenceIdentity(uid, FromWallSeconds(original.seconds), !original.floating);
        }
        return uid;
    }

  private:
    const EventData& Data() const { return ref_.file->Event(ref_.entry.event); }

    EntryRef ref_;
};

// One occurrence of a series: the series' texts unless an override gives its own.
class OccurrenceItem : public AppointmentItem {
  public:
    OccurrenceItem(EntryRef series, const Occurrence& occurrence)
        : series_(std::move(series)),
          start_(ToLocal(occurrence.start)),
          end_(ToLocal(occurrence.end)),
          source_(*occurrence.source),
          // An override names the occurrence it replaces; any other occurrence is where the
          // rules put it.
          originalStart_(occurrence.source->recurrenceId
                             ? MomentOf(*occurrence.source->recurrenceId)
                             : occurrence.start) {}

    bool IsRecurring() const override { return true; }
    std::unique_ptr<RecurrencePattern> GetRecurrencePattern() const override {
        return std::make_unique<SeriesPattern>(series_);
    }
    LocalDateTime Start() const override { return start_; }
    LocalDateTime End() const override { return end_; }
    std::string Subject() const override {
        return source_.subject.value_or(Series().subject.value_or(""));
    }
    std::string Location() const override {
        return source_.location.value_or(Series().location.value_or(""));
    }
    std::string Identity() const override {
        return OccurrenceIdentity(series_.file->Indexed(series_.entry.event).uid,
                                  FromWallSeconds(originalStart_.seconds),
                                  !originalStart_.floating);
    }

  private:
    const EventData& Series() const { return series_.file->Event(series_.entry.event); }

    EntryRef series_;
    LocalDateTime start_;
    LocalDateTime end_;
    const EventData& source_;
    Moment originalStart_;
};

std::vector<std::unique_ptr<AppointmentItem>> SeriesPattern::GetOccurrences(
    const LocalDateTime& from, const LocalDateTime& until) const {
    std::vector<std::unique_ptr<AppointmentItem>> items;
    for (const Occurrence& occurrence :
         series_.file->Occurrences(series_.entry.event, from, until)) {
        items.push_back(std::make_unique<OccurrenceItem>(series_, occurrence));
    }
    return items;
}

std::unique_ptr<AppointmentItem> SeriesPattern::GetOccurrence(const LocalDateTime& start) const {
    const LocalDateTime nextSecond = FromWallSeconds(ToWallSeconds(start) + 1);
    auto occurrences = GetOccurrences(start, nextSecond);
    if (occurrences.empty()) {
        const EventData& series = series_.file->Event(series_.entry.event);
        throw CalendarError("\"" + series.subject.value_or("") + "\" has no occurrence at " +
                            FormatHourMinute(start) + " on that day");
    }
    return std::move(occurrences.front());
}

// What the reading of a directory calendar left out, each problem told once; shared by the
// folder and its item collections.
class ReadProblemLog {
  public:
    void Add(std::string message) {
        if (std::find(messages_.begin(), messages_.end(), message) == messages_.end()) {
            messages_.push_back(std::move(message));
        }
    }
    const std::vector<std::string>& Messages() const { return messages_; }

  private:
    std::vector<std::string> messages_;
};

// "line 7: what is wrong", or only what is wrong when the whole file could not be read.
std::string LineAndReason(const CalendarFileError& error) {
    return error.Line() == 0 ? error.Reason()
                             : "line " + std::to_string(error.Line()) + ": " + error.Reason();
}

std::string FileLeftOut(const CalendarFileError& error) {
    return "The calendar file \"" + error.File() + "\" could not be read (" + LineAndReason(error) +
           "); its appointments are left out.";
}

std::string AppointmentLeftOut(const CalendarFileError& error) {
    return "An appointment in the calendar file \"" + error.File() + "\" could not be read (" +
           LineAndReason(error) + "); it is left out.";
}

class EntryCollection : public ItemCollection {
  public:
    // `problems` is null for a single-file calendar, whose unreadable appointments are errors;
    // a directory calendar leaves them out and logs them there.
    EntryCollection(std::shared_ptr<const std::vector<EntryRef>> entries,
                    std::shared_ptr<ReadProblemLog> problems)
        : entries_(std::move(entries)), problems_(std::move(problems)) {}

    std::unique_ptr<AppointmentItem> GetFirst() override {
        position_ = 0;
        return Current();
    }
    std::unique_ptr<AppointmentItem> GetNext() override {
        if (position_ < entries_->size()) {
            ++position_;
        }
        return Current();
    }

    // Series are kept whole unless their UNTIL ended them before the days needed (NeededDays).
    // A single event is read with libical only when the date of its raw DTSTART lies within
    // them. Every item kept has been read, so that one that cannot be is found here.
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override {
        const DayRange days = NeededDays(from, until);
        auto kept = std::make_shared<std::vector<EntryRef>>();
        for (const EntryRef& ref : *entries_) {
            try {
                if (ref.entry.series ? SeriesMayReach(ref, days.first)
                                     : StartsBetween(ref, days, from, until)) {
                    kept->push_back(ref);
                }
            } catch (const CalendarFileError& error) {
                if (!problems_) {
                    throw;
                }
                problems_->Add(AppointmentLeftOut(error));
            }
        }
        return std::make_unique<EntryCollection>(std::move(kept), problems_);
    }

  private:
    // Reads a series that has not ended before `first` with its overrides, as its occurrences
    // will need them.
    static bool SeriesMayReach(const EntryRef& ref, DayNumber first) {
        if (ref.entry.lastDay != kUnknownDay && ref.entry.lastDay < first) {
            return false;
        }
        ref.file->Event(ref.entry.event);
        ref.file->Overrides(ref.entry.event);
        return true;
    }

    static bool StartsBetween(const EntryRef& ref, const DayRange& days, const LocalDateTime& from,
                              const LocalDateTime& until) {
        const DayNumber rawDay = ref.file->Indexed(ref.entry.event).startDay;
        if (rawDay != kUnknownDay && !days.Contains(rawDay)) {
            return false;
        }
        const LocalDateTime start = LocalStart(ref.file->Event(ref.entry.event));
        return from <= start && start < until;
    }

    std::unique_ptr<AppointmentItem> Current() const {
        if (position_ >= entries_->size()) {
            return nullptr;
        }
        return std::make_unique<EventItem>((*entries_)[position_]);
    }

    std::shared_ptr<const std::vector<EntryRef>> entries_;
    std::shared_ptr<ReadProblemLog> problems_;
    std::size_t position_ = 0;
};

// What one scan reads of the calendar, shared by the folder and its item collections. It is read
// at the first need and kept for the scan's other days while it holds what they need, so that
// the days of a scan see the calendar in one state.
class FolderReading {
  public:
    FolderReading(CalendarLocation location, std::shared_ptr<CalendarFiles> files)
        : location_(std::move(location)), files_(std::move(files)) {}

    // The calendar's items, their files keeping the single events of `days`.
    std::shared_ptr<const std::vector<EntryRef>> Entries(const DayRange& days) {
        if (!entries_ || !keptDays_.Contains(days)) {
            const CalendarContents contents =
                files_->Load(location_.path, location_.missingIsEmpty, days);
            for (const CalendarFileError& error : contents.unreadable) {
                problems_->Add(FileLeftOut(error));
            }
            auto entries = std::make_shared<std::vector<EntryRef>>();
            std::size_t count = 0;
            for (const auto& file : contents.files) {
                count += file->Entries().size();
            }
            entries->reserve(count);
            for (const auto& file : contents.files) {
                for (const CalendarEntry& entry : file->Entries()) {
                    entries->push_back({file, entry});
                }
            }
            entries_ = std::move(entries);
            keptDays_ = contents.keptDays;
            isDirectory_ = contents.isDirectory;
        }
        return entries_;
    }

    // Where the collections log what they leave out: null for a single-file calendar, whose
    // unreadable appointments are errors.
    std::shared_ptr<ReadProblemLog> ProblemLog() const {
        return isDirectory_ ? problems_ : nullptr;
    }
    const std::vector<std::string>& Problems() const { return problems_->Messages(); }

  private:
    CalendarLocation location_;
    std::shared_ptr<CalendarFiles> files_;
    std::shared_ptr<const std::vector<EntryRef>> entries_;  // null until read
    DayRange keptDays_;
    bool isDirectory_ = false;
    std::shared_ptr<ReadProblemLog> problems_ = std::make_shared<ReadProblemLog>();
};

// The items of the folder as Items gives them. The calendar is read when they are first asked
// for: for the days of a restriction only, or whole when they are walked.
class FolderItems : public ItemCollection {
  public:
    explicit FolderItems(std::shared_ptr<FolderReading> reading) : reading_(std::move(reading)) {}

    std::unique_ptr<AppointmentItem> GetFirst() override { return All().GetFirst(); }
    std::unique_ptr<AppointmentItem> GetNext() override { return All().GetNext(); }

    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override {
        auto entries = reading_->Entries(NeededDays(from, until));
        return EntryCollection(std::move(entries), reading_->ProblemLog()).Restrict(from, until);
    }

  private:
    EntryCollection& All() {
        if (!all_) {
            auto entries = reading_->Entries(DayRange{});
            all_.emplace(std::move(entries), reading_->ProblemLog());
        }
        return *all_;
    }

    std::shared_ptr<FolderReading> reading_;
    std::optional<EntryCollection> all_;
};

class IcalFolder : public CalendarFolder {
  public:
    IcalFolder(CalendarLocation location, std::shared_ptr<CalendarFiles> files)
        : reading_(std::make_shared<FolderReading>(std::move(location), std::move(files))) {}

    std::unique_ptr<ItemCollection> Items() override {
        return std::make_unique<FolderItems>(reading_);
    }

    std::vector<std::string> ReadProblems() const override { return reading_->Problems(); }

  private:
    std::shared_ptr<FolderReading> reading_;
};

class IcalNamespace : public CalendarNamespace {
  public:
    IcalNamespace(CalendarLocation location, std::shared_ptr<CalendarFiles> files)
        : location_(std::move(location)), files_(std::move(files)) {}

    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        if (folderType != kFolderCalendar) {
            throw CalendarError("there is no default folder of type " + std::to_string(folderType) +
                                ", only the calendar (" + std::to_string(kFolderCalendar) + ")");
        }
        return std::make_unique<IcalFolder>(location_, files_);
    }

  private:
    CalendarLocation location_;
    std::shared_ptr<CalendarFiles> files_;
};

class IcalApplication : public CalendarApplication {
  public:
    IcalApplication(CalendarLocation location, std::shared_ptr<CalendarFiles> files)
        : location_(std::move(location)), files_(std::move(files)) {}

    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        if (type != "MAPI") {
            throw CalendarError("unknown calendar namespace \"" + std::string(type) + "\"");
        }
        return std::make_unique<IcalNamespace>(location_, files_);
    }

  private:
    CalendarLocation location_;
    std::shared_ptr<CalendarFiles> files_;
};

// Keeps the files loaded by earlier scans; each application finds the calendar with `locate`
// and reads it afresh. The objects of a scan share the files, so that they may outlive a new
// start from the files.
class IcalCalendar : public CalendarApplicationFactory {
  public:
    explicit IcalCalendar(std::function<CalendarLocation()> locate) : locate_(std::move(locate)) {
        icalerror_set_errors_are_fatal(0);
    }

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        // A changed zone (TZ, or the machine's zone after travel) shows at the next scan. What
        // the files keep is worked out in local time, so a new zone starts from the files anew.
        tzset();
        const std::string zone = LocalZoneIdentity();
        if (zone != zone_) {
            files_ = std::make_shared<CalendarFiles>();
            zone_ = zone;
        }
        return std::make_unique<IcalApplication>(locate_(), files_);
    }

  private:
    static std::string LocalZoneIdentity() {
        return std::string(tzname[0]) + '/' + tzname[1] + '/' + std::to_string(timezone) + '/' +
               std::to_string(daylight);
    }

    std::function<CalendarLocation()> locate_;
    std::shared_ptr<CalendarFiles> files_;
    std::string zone_;
};

// A base folder of the XDG rules; CalendarError when neither its variable nor HOME is usable.
fs::path XdgDirectory(const common::EnvironmentLookup& environment, const char* name,
                      const char* underHome) {
    if (auto directory = common::XdgDirectory(environment, name, underHome)) {
        return *directory;
    }
    throw CalendarError(std::string("cannot find the default calendar: neither ") + name +
                        " nor HOME is set");
}

// The lines of the profile that are neither empty nor comments (#), trimmed.
std::vector<std::string> ProfileLines(const fs::path& profile) {
    std::ifstream stream(profile);
    if (!stream) {
        throw CalendarError("cannot read the calendar profile " + profile.string());
    }
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(stream, line)) {
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        lines.push_back(line.substr(first, line.find_last_not_of(" \t\r") - first + 1));
    }
    if (stream.bad()) {
        throw CalendarError("cannot read the calendar profile " + profile.string());
    }
    if (lines.empty()) {
        throw CalendarError("the calendar profile " + profile.string() + " names no calendar");
    }
    return lines;
}

bool IsRemote(const std::string& line) {
    for (const std::string_view scheme : {"https://", "http://", "webcal://", "caldav:"}) {
        if (line.size() > scheme.size() &&
            std::equal(scheme.begin(), scheme.end(), line.begin(), [](char a, char b) {
                return a == std::tolower(static_cast<unsigned char>(b));
            })) {
            return true;
        }
    }
    return false;
}

}  // namespace

fs::path CalendarProfilePath(const common::EnvironmentLookup& environment) {
    return XdgDirectory(environment, "XDG_CONFIG_HOME", ".config") / "agendix" / "calendar.conf";
}

CalendarLocation CalendarLocationOf(const std::string& line, const fs::path& profile,
                                    const common::EnvironmentLookup& environment) {
    if (std::string uid; ParseEdsCalendarName(line, uid)) {
        return {profile, false, uid, std::nullopt, line};
    }
    if (IsRemote(line)) {
        return {SubscriptionCopyPath(environment, line), false, std::nullopt, line, line};
    }
    if (line.starts_with("~/")) {
        const auto home = common::HomeDirectory(environment);
        if (!home) {
            throw CalendarError("the calendar profile " + profile.string() +
                                " starts its path with ~/ but HOME is not set");
        }
        return {*home / line.substr(2), false, std::nullopt, std::nullopt, line};
    }
    return {profile.parent_path() / line, false, std::nullopt, std::nullopt, line};
}

std::vector<CalendarLocation> DefaultCalendarLocations(
    const common::EnvironmentLookup& environment) {
    const fs::path profile = CalendarProfilePath(environment);
    std::error_code error;
    if (fs::exists(profile, error)) {
        std::vector<CalendarLocation> locations;
        for (const std::string& line : ProfileLines(profile)) {
            locations.push_back(CalendarLocationOf(line, profile, environment));
        }
        return locations;
    }
    if (error) {  // not "absent": the profile may well name a calendar
        throw CalendarError("cannot read the calendar profile " + profile.string() + ": " +
                            error.message());
    }
    const fs::path file =
        XdgDirectory(environment, "XDG_DATA_HOME", ".local/share") / "agendix" / "calendar.ics";
    if (fs::exists(file, error) || error) {
        return {{file, true, std::nullopt, std::nullopt, file.string()}};
    }
    // Nobody chose a calendar and there is no file: the desktop's calendar service, if any. The
    // file stays the one to watch, since making it chooses it.
    return {{file, true, std::string(), std::nullopt, "eds:"}};
}

CalendarLocation DefaultCalendarLocation(const common::EnvironmentLookup& environment) {
    return DefaultCalendarLocations(environment).front();
}

std::unique_ptr<CalendarApplicationFactory> MakeIcalCalendar(CalendarLocation location) {
    return std::make_unique<IcalCalendar>([location = std::move(location)] { return location; });
}

namespace {

// A calendar that cannot be read, named among the others (see MergedCalendar.h).
class UnreadableCalendar : public CalendarApplicationFactory {
  public:
    explicit UnreadableCalendar(std::string message) : message_(std::move(message)) {}
    std::unique_ptr<CalendarApplication> CreateApplication() override {
        throw CalendarError(message_);
    }

  private:
    std::string message_;
};

// What tells one source from another: a source is kept while its key is named.
std::string SourceKey(const CalendarLocation& location) {
    if (location.remote) {
        return "remote " + *location.remote;
    }
    const std::string flag = location.missingIsEmpty ? "1 " : "0 ";
    if (location.edsSource) {
        return "eds " + flag + *location.edsSource;
    }
    return "file " + flag + location.path.string();
}

// The default calendars as DefaultCalendarLocations finds them for each scan, each read by a
// source of its own that is kept while it stays named.
class DefaultCalendar : public CalendarApplicationFactory {
  public:
    DefaultCalendar(common::EnvironmentLookup environment, CalendarServiceOptions service)
        : environment_(std::move(environment)), service_(std::move(service)) {
        // A calendar of the service starts opening now, so that the first scan finds it ready.
        try {
            Choose(DefaultCalendarLocations(environment_));
        } catch (const CalendarError&) {
            // The first scan reports it.
        }
    }

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        return CreateMergedApplication(Choose(DefaultCalendarLocations(environment_)));
    }

  private:
    std::vector<NamedCalendar> Choose(const std::vector<CalendarLocation>& locations) {
        std::map<std::string, std::unique_ptr<CalendarApplicationFactory>> kept;
        std::vector<NamedCalendar> chosen;
        for (const CalendarLocation& location : locations) {
            const std::string key = SourceKey(location);
            auto found = kept.find(key);
            if (found == kept.end()) {
                auto source = sources_.extract(key);
                found =
                    kept.emplace(key, source ? std::move(source.mapped()) : Make(location)).first;
            }
            chosen.push_back({location.name, found->second.get()});
        }
        sources_ = std::move(kept);  // those no longer named end here
        return chosen;
    }

    std::unique_ptr<CalendarApplicationFactory> Make(const CalendarLocation& location) const {
        try {
            return MakeCalendarSource(location, service_);
        } catch (const CalendarError& error) {
            return std::make_unique<UnreadableCalendar>(error.what());
        }
    }

    common::EnvironmentLookup environment_;
    CalendarServiceOptions service_;
    std::map<std::string, std::unique_ptr<CalendarApplicationFactory>> sources_;  // by SourceKey
};

}  // namespace

std::optional<std::chrono::seconds> CheckCalendarText(const std::string& text,
                                                      const std::string& name) {
    const CalendarIndex index = IndexCalendar(text, name);  // throws naming the line
    (void)index;
    icalerror_set_errors_are_fatal(0);
    std::unique_ptr<icalcomponent, void (*)(icalcomponent*)> calendar(
        icalparser_parse_string(text.c_str()), icalcomponent_free);
    if (!calendar || icalcomponent_isa(calendar.get()) != ICAL_VCALENDAR_COMPONENT) {
        throw CalendarError(name + " is not an iCalendar object");
    }
    std::optional<std::chrono::seconds> refresh;
    for (icalproperty* property =
             icalcomponent_get_first_property(calendar.get(), ICAL_ANY_PROPERTY);
         property; property = icalcomponent_get_next_property(calendar.get(), ICAL_ANY_PROPERTY)) {
        const char* propertyName = icalproperty_get_property_name(property);
        const char* value = icalproperty_get_value_as_string(property);
        if (!propertyName || !value) {
            continue;
        }
        const std::string_view named = propertyName;
        const bool interval = named == "REFRESH-INTERVAL";
        if (!interval && !(named == "X-PUBLISHED-TTL" && !refresh)) {
            continue;
        }
        const icaldurationtype duration = icaldurationtype_from_string(value);
        if (icaldurationtype_is_bad_duration(duration) || duration.is_neg) {
            continue;
        }
        refresh = std::chrono::seconds(icaldurationtype_as_int(duration));
        if (interval) {
            break;  // it wins over X-PUBLISHED-TTL
        }
    }
    return refresh;
}

fs::path SubscriptionCopyPath(const common::EnvironmentLookup& environment,
                              const std::string& address) {
    const auto cache = common::XdgCacheHome(environment);
    if (!cache) {
        return {};
    }
    // FNV-1a: a short, stable file name for any address.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : address) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    char name[24];
    std::snprintf(name, sizeof name, "%016llx.ics", static_cast<unsigned long long>(hash));
    return *cache / "agendix" / "subscriptions" / name;
}

namespace {

// A calendar on the network as a program that does not fetch it reads it: the last copy that
// the program that fetches it keeps, named with its age.
class KeptCopyCalendar : public CalendarApplicationFactory {
  public:
    explicit KeptCopyCalendar(CalendarLocation location)
        : location_(std::move(location)), copy_(MakeIcalCalendar({location_.path, false})) {}

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        struct stat status {};
        if (location_.path.empty() || stat(location_.path.c_str(), &status) != 0) {
            throw CalendarError(
                "\"" + *location_.remote +
                "\" is fetched by the agendix program, which has no copy of it yet");
        }
        std::tm local{};
        localtime_r(&status.st_mtime, &local);
        char when[32];
        std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
        return WithReadProblem(copy_->CreateApplication(),
                               "The web calendar \"" + *location_.remote +
                                   "\" is shown as the agendix program last fetched it, at " +
                                   when + ".");
    }

  private:
    CalendarLocation location_;
    std::unique_ptr<CalendarApplicationFactory> copy_;
};

}  // namespace

std::unique_ptr<CalendarApplicationFactory> MakeCalendarSource(
    const CalendarLocation& location, const CalendarServiceOptions& service) {
    if (location.remote) {
        if (!service.remote && location.remote->starts_with("caldav:")) {
            // The program that fetches CalDAV calendars keeps its copies in its own form.
            return std::make_unique<UnreadableCalendar>(
                "\"" + *location.remote +
                "\" is a CalDAV calendar, which only the agendix program reads");
        }
        if (!service.remote) {
            return std::make_unique<KeptCopyCalendar>(location);
        }
        return service.remote(*location.remote);
    }
    if (location.edsSource) {
        return MakeEdsCalendar({.sourceUid = *location.edsSource,
                                .absentIsEmpty = location.missingIsEmpty,
                                .readWait = service.readWait,
                                .changed = service.changed});
    }
    return MakeIcalCalendar(location);
}

std::unique_ptr<CalendarApplicationFactory> MakeDefaultCalendar(
    common::EnvironmentLookup environment, CalendarServiceOptions service) {
    return std::make_unique<DefaultCalendar>(std::move(environment), std::move(service));
}

}  // namespace agendix::scan
