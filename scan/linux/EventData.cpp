#include "scan/linux/EventData.h"

#include <libical/ical.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>

#include "common/core/Ascii.h"
#include "scan/linux/CalendarFileError.h"
#include "scan/linux/ContentLine.h"

namespace agendix::scan {
namespace {

using ComponentPtr = std::unique_ptr<icalcomponent, decltype(&icalcomponent_free)>;
using ValuePtr = std::unique_ptr<icalvalue, decltype(&icalvalue_free)>;

// The longest span kept, in days (about 27,000 years): longer durations are held to it.
constexpr std::int64_t kMaxDays = 10'000'000;

// The properties libical reads for an EventData; it is spared the rest. The texts are read
// from the lines as written (see OwnText).
constexpr std::array<std::string_view, 8> kLibicalProperties = {
    "DTSTART", "DTEND", "DURATION", "STATUS", "RRULE", "RDATE", "EXDATE", "RECURRENCE-ID"};
constexpr std::array<std::string_view, 2> kTextProperties = {"SUMMARY", "LOCATION"};

bool IsOneOf(std::string_view name, const auto& names) {
    return std::any_of(names.begin(), names.end(),
                       [&](std::string_view listed) { return common::EqualsNoCase(name, listed); });
}

// The content lines of a text, each with its continuation lines and line ends as written.
class ContentLines {
  public:
    explicit ContentLines(std::string_view text) : text_(text) {}

    bool Next(std::string_view& lines) {
        if (text_.empty()) {
            return false;
        }
        std::size_t end = 0;
        do {
            end = std::min(text_.find('\n', end), text_.size() - 1) + 1;
        } while (end < text_.size() && IsContinuation(text_.substr(end, 1)));
        lines = text_.substr(0, end);
        text_.remove_prefix(end);
        return true;
    }

  private:
    std::string_view text_;
};

// A VEVENT of the event's properties of kLibicalProperties.
std::string LibicalEvent(std::string_view properties) {
    std::string event = "BEGIN:VEVENT\r\n";
    event.reserve(properties.size() + 32);
    ContentLines lines(properties);
    for (std::string_view property; lines.Next(property);) {
        if (IsOneOf(PropertyName(property), kLibicalProperties)) {
            event.append(property);
        }
    }
    return event + "END:VEVENT\r\n";
}

// A content line's physical lines joined: their line ends and the blank that begins each
// continuation line removed.
std::string Unfolded(std::string_view lines) {
    std::string joined;
    for (bool first = true; !lines.empty(); first = false) {
        const std::size_t end = std::min(lines.find('\n'), lines.size());
        std::string_view line = lines.substr(0, end);
        lines.remove_prefix(std::min(end + 1, lines.size()));
        while (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        joined.append(first ? line : line.substr(1));
    }
    return joined;
}

// A TEXT value with its escapes (\\ \; \, \n \N) resolved, by libical as its parser does. The
// value ends at a NUL byte, as for libical; every escape begins with a backslash, so a value
// without one is its own text.
std::string Unescaped(std::string_view value) {
    value = value.substr(0, value.find('\0'));
    if (value.find('\\') == std::string_view::npos) {
        return std::string(value);
    }
    const ValuePtr text(icalvalue_new_from_string(ICAL_TEXT_VALUE, std::string(value).c_str()),
                        icalvalue_free);
    const char* unescaped = text ? icalvalue_get_text(text.get()) : nullptr;
    return unescaped ? unescaped : "";
}

// The text of the property `name`, the first if there are several; none when there is none.
// Read from the line as written: libical's parser strips the blanks around a value, which
// belong to the text (RFC 5545, 3.3.11).
std::optional<std::string> OwnText(std::string_view properties, std::string_view name) {
    ContentLines lines(properties);
    for (std::string_view property; lines.Next(property);) {
        if (common::EqualsNoCase(PropertyName(property), name)) {
            return Unescaped(PropertyValue(Unfolded(property)));
        }
    }
    return std::nullopt;
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
    EventReader(const ZoneLookup& zones, const std::string& file, std::uint32_t line)
        : zones_(zones), file_(file), line_(line) {}

    EventData Read(std::string_view properties) {
        ComponentPtr component(icalcomponent_new_from_string(LibicalEvent(properties).c_str()),
                               icalcomponent_free);
        if (!component || icalcomponent_isa(component.get()) != ICAL_VEVENT_COMPONENT) {
            Fail("the event cannot be read");
        }
        icalcomponent* event = component.get();
        EventData data;
        data.start = RequiredTime(event, ICAL_DTSTART_PROPERTY, "DTSTART");
        ReadDuration(event, data);
        data.subject = OwnText(properties, "SUMMARY");
        data.location = OwnText(properties, "LOCATION");
        data.cancelled = icalcomponent_get_status(event) == ICAL_STATUS_CANCELLED;
        ReadRecurrence(event, data);
        return data;
    }

  private:
    [[noreturn]] void Fail(const std::string& what) const {
        throw CalendarFileError(file_, line_, what);
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
                // As given, each part held to kMaxDays; 64 bits hold every product.
                const std::int64_t days = std::int64_t{duration.weeks} * 7 + duration.days;
                const std::int64_t seconds = std::int64_t{duration.hours} * 3600 +
                                             std::int64_t{duration.minutes} * 60 + duration.seconds;
                data.duration.nominalDays = static_cast<int>(std::min(days, kMaxDays));
                data.duration.exactSeconds = std::min(seconds, kMaxDays * kSecondsPerDay);
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
    const std::string& file_;
    std::uint32_t line_;
};

}  // namespace

bool IsReadProperty(std::string_view name) {
    // Every line of every event is asked about, so the names are looked up by their length.
    constexpr std::size_t kLongest = 13;
    using Names = std::array<std::string_view, 3>;
    static constexpr std::array<Names, kLongest + 1> kByLength = [] {
        std::array<Names, kLongest + 1> table{};
        // A name longer than kLongest, or a fourth name of one length, fails to compile.
        const auto add = [&table](std::string_view listed) {
            Names& names = table.at(listed.size());
            *std::find(names.begin(), names.end() - 1, std::string_view()) = listed;
        };
        std::for_each(kLibicalProperties.begin(), kLibicalProperties.end(), add);
        std::for_each(kTextProperties.begin(), kTextProperties.end(), add);
        return table;
    }();
    if (name.size() > kLongest) {
        return false;
    }
    const Names& names = kByLength[name.size()];
    return std::any_of(names.begin(), names.end(), [name](std::string_view listed) {
        return !listed.empty() && listed.front() == common::AsciiUpper(name.front()) &&
               common::EqualsNoCase(name, listed);
    });
}

EventData ReadEvent(std::string_view properties, const ZoneLookup& zones, const std::string& file,
                    std::uint32_t line) {
    return EventReader(zones, file, line).Read(properties);
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

}  // namespace agendix::scan
