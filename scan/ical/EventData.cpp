#include "EventData.h"

#include <libical/ical.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>

#include "CalendarSource.h"

namespace agendix::scan::ical {
namespace {

using ComponentPtr = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;

// The properties an EventData is made of; libical is spared the rest.
// The longest nominal duration kept, in days.
constexpr std::int64_t kMaxDays = 10'000'000;

constexpr std::array<std::string_view, 10> kReadProperties = {
    "DTSTART", "DTEND", "DURATION", "SUMMARY", "LOCATION",
    "STATUS",  "RRULE", "RDATE",    "EXDATE",  "RECURRENCE-ID"};

// Compares ASCII names without regard to case; `upper` is written in capitals.
bool EqualsNoCase(std::string_view name, std::string_view upper) {
    return name.size() == upper.size() &&
           std::equal(name.begin(), name.end(), upper.begin(), [](char x, char y) {
               return (x >= 'a' && x <= 'z' ? x - 'a' + 'A' : x) == y;
           });
}

// Whether a line that begins a property of the event's own level is kept for libical: its
// BEGIN and END, and the properties read.
bool IsKept(std::string_view line) {
    const std::string_view name = line.substr(0, line.find_first_of(";:"));
    return EqualsNoCase(name, "BEGIN") || EqualsNoCase(name, "END") ||
           std::any_of(kReadProperties.begin(), kReadProperties.end(),
                       [&](std::string_view read) { return EqualsNoCase(name, read); });
}

// The VEVENT in `text` with only the lines it is read from: the properties of the event itself,
// with their folded continuations, and none of its subcomponents (alarms).
std::string ReadLines(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    int depth = 0;
    bool keeping = false;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size() - 1) + 1;
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end);
        if (line.front() != ' ' && line.front() != '\t') {
            const bool begins = line.size() >= 6 && EqualsNoCase(line.substr(0, 6), "BEGIN:");
            const bool ends = line.size() >= 4 && EqualsNoCase(line.substr(0, 4), "END:");
            depth += begins ? 1 : 0;
            keeping = depth == 1 && IsKept(line);
            depth -= ends ? 1 : 0;
        }
        if (keeping) {
            kept.append(line);
        }
    }
    return kept;
}

bool IsValidDateTime(const icaltimetype& value) {
    using namespace std::chrono;
    const year_month_day date{year{value.year}, month{static_cast<unsigned>(value.month)},
                              day{static_cast<unsigned>(value.day)}};
    return date.ok() && value.hour >= 0 && value.hour < 24 && value.minute >= 0 &&
           value.minute < 60 && value.second >= 0 && value.second <= 60;
}

class EventReader {
  public:
    EventReader(const ZoneLookup& zones, const std::string& where) : zones_(zones), where_(where) {}

    EventData Read(std::string_view text) {
        ComponentPtr component(icalcomponent_new_from_string(ReadLines(text).c_str()),
                               icalcomponent_free);
        if (!component || icalcomponent_isa(component.get()) != ICAL_VEVENT_COMPONENT) {
            Fail("the event cannot be read");
        }
        icalcomponent* event = component.get();
        EventData data;
        data.start = RequiredTime(event, ICAL_DTSTART_PROPERTY, "DTSTART");
        ReadDuration(event, data);
        data.subject = Text(icalcomponent_get_summary(event));
        data.location = Text(icalcomponent_get_location(event));
        data.cancelled = icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
        ReadRecurrence(event, data);
        return data;
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw CalendarError(where_ + ": " + what);
    }

    static std::optional<std::string> Text(const char* value) {
        return value ? std::optional<std::string>(value) : std::nullopt;
    }

    EventTime TimeOf(icalproperty* property, const icaltimetype& value, const char* name) const {
        if (icaltime_is_null_time(value) || !IsValidDateTime(value)) {
            Fail(std::string("the event's ") + name + " is not a valid date or date-time");
        }
        EventTime time;
        time.isDate = value.is_date != 0;
        time.wall = ToWallSeconds({{value.year, value.month, value.day},
                                   time.isDate ? 0 : value.hour,
                                   time.isDate ? 0 : value.minute,
                                   time.isDate ? 0 : value.second});
        if (time.isDate) {
            return time;
        }
        if (icaltime_is_utc(value)) {
            time.zone.kind = TimeZoneRef::Kind::Utc;
        } else if (icalparameter* tzid =
                       icalproperty_get_first_parameter(property, ICAL_TZID_PARAMETER)) {
            time.zone = zones_(icalparameter_get_tzid(tzid));
        }
        return time;
    }

    EventTime RequiredTime(icalcomponent* event, icalproperty_kind kind, const char* name) const {
        icalproperty* property = icalcomponent_get_first_property(event, kind);
        icalvalue* value = property ? icalproperty_get_value(property) : nullptr;
        if (!value) {
            Fail(std::string("the event has no valid ") + name);
        }
        return TimeOf(property, icalvalue_get_datetime(value), name);
    }

    void ReadDuration(icalcomponent* event, EventData& data) const {
        if (icalcomponent_get_first_property(event, ICAL_DTEND_PROPERTY)) {
            const EventTime end = RequiredTime(event, ICAL_DTEND_PROPERTY, "DTEND");
            data.duration = Between(data.start, end);
            data.hasOwnEnd = true;
        } else if (icalproperty* property =
                       icalcomponent_get_first_property(event, ICAL_DURATION_PROPERTY)) {
            const icaldurationtype duration = icalproperty_get_duration(property);
            if (!duration.is_neg) {
                // Weeks and days as given, held to a span an int keeps (about 27,000 years).
                const std::int64_t days = std::int64_t{duration.weeks} * 7 + duration.days;
                data.duration.nominalDays =
                    static_cast<int>(std::min<std::int64_t>(days, kMaxDays));
                data.duration.exactSeconds =
                    std::int64_t{duration.hours} * 3600 + duration.minutes * 60 + duration.seconds;
            }
            data.hasOwnEnd = true;
        } else if (data.start.isDate) {
            data.duration.nominalDays = 1;
        }
    }

    // From start to end: calendar days between two dates, exact seconds otherwise. An end
    // before the start is taken as no length at all.
    static EventDuration Between(const EventTime& start, const EventTime& end) {
        EventDuration duration;
        if (start.isDate && end.isDate) {
            duration.nominalDays = static_cast<int>((end.wall - start.wall) / kSecondsPerDay);
        } else {
            Moment from = MomentOf(start);
            Moment to = MomentOf(end);
            if (from.floating != to.floating) {
                from = {true, ToWallSeconds(ToLocal(from))};
                to = {true, ToWallSeconds(ToLocal(to))};
            }
            duration.exactSeconds = to.seconds - from.seconds;
        }
        if (duration.nominalDays < 0 || duration.exactSeconds < 0) {
            return {};
        }
        return duration;
    }

    void ReadRecurrence(icalcomponent* event, EventData& data) const {
        for (icalproperty* rule = icalcomponent_get_first_property(event, ICAL_RRULE_PROPERTY);
             rule; rule = icalcomponent_get_next_property(event, ICAL_RRULE_PROPERTY)) {
            if (const char* value = icalproperty_get_value_as_string(rule)) {
                data.rules.emplace_back(value);
            }
        }
        for (icalproperty* date = icalcomponent_get_first_property(event, ICAL_RDATE_PROPERTY);
             date; date = icalcomponent_get_next_property(event, ICAL_RDATE_PROPERTY)) {
            const icaldatetimeperiodtype value = icalproperty_get_rdate(date);
            const icaltimetype start =
                icaltime_is_null_time(value.time) ? value.period.start : value.time;
            data.recurrenceDates.push_back(TimeOf(date, start, "RDATE"));
        }
        for (icalproperty* date = icalcomponent_get_first_property(event, ICAL_EXDATE_PROPERTY);
             date; date = icalcomponent_get_next_property(event, ICAL_EXDATE_PROPERTY)) {
            data.exceptionDates.push_back(TimeOf(date, icalproperty_get_exdate(date), "EXDATE"));
        }
        if (icalproperty* id =
                icalcomponent_get_first_property(event, ICAL_RECURRENCEID_PROPERTY)) {
            data.recurrenceId = TimeOf(id, icalproperty_get_recurrenceid(id), "RECURRENCE-ID");
        }
    }

    const ZoneLookup& zones_;
    const std::string& where_;
};

}  // namespace

EventData ReadEvent(std::string_view text, const ZoneLookup& zones, const std::string& where) {
    return EventReader(zones, where).Read(text);
}

Moment MomentOf(const EventTime& time) {
    return MomentOf(time.wall, time.zone);
}

Moment AddDuration(const Moment& start, const EventDuration& duration, const TimeZoneRef& zone) {
    const std::int64_t days = std::int64_t{duration.nominalDays} * kSecondsPerDay;
    if (start.floating) {
        return {true, start.seconds + days + duration.exactSeconds};
    }
    std::int64_t utc = start.seconds;
    if (days != 0) {
        utc = zone.kind == TimeZoneRef::Kind::Zoned
                  ? WallToUtc(UtcToWall(utc, zone) + days, zone).utc
                  : utc + days;
    }
    return {false, utc + duration.exactSeconds};
}

}  // namespace agendix::scan::ical
