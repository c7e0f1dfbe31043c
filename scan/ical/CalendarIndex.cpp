#include "CalendarIndex.h"

#include <algorithm>

#include "Ascii.h"
#include "CalendarFileError.h"
#include "ContentLine.h"

namespace agendix::scan::ical {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

DayNumber DayOf(std::string_view value) {
    value = Trim(value);
    if (value.size() < 8 || !std::all_of(value.begin(), value.begin() + 8,
                                         [](char c) { return c >= '0' && c <= '9'; })) {
        return kUnknownDay;
    }
    DayNumber day = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        day = day * 10 + (value[i] - '0');
    }
    return day;
}

// `day` when it names a date of the calendar, else unknown.
DayNumber ValidDate(DayNumber day) {
    const int month = day / 100 % 100;
    const int dayOfMonth = day % 100;
    return month >= 1 && month <= 12 && dayOfMonth >= 1 && dayOfMonth <= 31 ? day : kUnknownDay;
}

// The date that a value of RRULE gives in UNTIL, unknown when it has none.
DayNumber UntilDayOf(std::string_view rule) {
    while (!rule.empty()) {
        const std::size_t end = std::min(rule.find(';'), rule.size());
        const std::string_view part = rule.substr(0, end);
        if (StartsWithNoCase(Trim(part), "UNTIL=")) {
            return ValidDate(DayOf(Trim(part).substr(6)));
        }
        rule.remove_prefix(std::min(end + 1, rule.size()));
    }
    return kUnknownDay;
}

// Physical lines of the text, without their line ends.
class LineReader {
  public:
    explicit LineReader(std::string_view text) : text_(text) {
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        if (text_.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
            position_ = kByteOrderMark.size();
        }
    }

    bool Next(std::string_view& line) {
        if (position_ >= text_.size()) {
            return false;
        }
        const std::size_t end = text_.find('\n', position_);
        const std::size_t next = end == std::string_view::npos ? text_.size() : end + 1;
        line = text_.substr(position_, next - position_);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.remove_suffix(1);
        }
        lineStart_ = position_;
        position_ = next;
        ++lineNumber_;
        return true;
    }

    // `line` joined with the folded lines that follow it; valid until the next call. A line
    // that is not folded is not copied.
    std::string_view Unfold(std::string_view line) {
        if (!FoldedLineFollows()) {
            return line;
        }
        unfolded_.assign(line);
        std::string_view continuation;
        while (FoldedLineFollows() && Next(continuation)) {
            unfolded_.append(continuation.substr(1));
        }
        return unfolded_;
    }

    std::size_t LineStart() const { return lineStart_; }
    std::size_t Position() const { return position_; }
    std::uint32_t LineNumber() const { return lineNumber_; }

  private:
    bool FoldedLineFollows() const {
        return position_ < text_.size() && IsContinuation(text_.substr(position_, 1));
    }

    std::string_view text_;
    std::string unfolded_;
    std::size_t position_ = 0;
    std::size_t lineStart_ = 0;
    std::uint32_t lineNumber_ = 0;
};

class Indexer {
  public:
    Indexer(std::string_view text, const std::string& fileName)
        : reader_(text), fileName_(fileName) {}

    CalendarIndex Run() {
        std::string_view line;
        while (reader_.Next(line)) {
            if (line.empty() || IsContinuation(line)) {
                continue;
            }
            const char first = AsciiUpper(line.front());
            if (first == 'B' && StartsWithNoCase(line, "BEGIN:")) {
                Open(Trim(line.substr(6)));
            } else if (first == 'E' && StartsWithNoCase(line, "END:")) {
                Close(Trim(line.substr(4)));
            } else if (open_.empty()) {
                if (!Trim(line).empty()) {
                    Fail(reader_.LineNumber(), "not iCalendar data (expected BEGIN:VCALENDAR)");
                }
            } else if (inEvent_ && open_.size() == 2) {
                Peek(line);
            }
        }
        if (!open_.empty()) {
            const OpenComponent& last = open_.back();
            Fail(last.line, "BEGIN:" + last.name + " is never closed by END:" + last.name);
        }
        return std::move(index_);
    }

  private:
    struct OpenComponent {
        std::string name;
        std::size_t offset;
        std::uint32_t line;
    };

    [[noreturn]] void Fail(std::uint32_t line, const std::string& what) const {
        throw CalendarFileError(fileName_, line, what);
    }

    void Open(std::string_view name) {
        if (open_.empty() && !EqualsNoCase(name, "VCALENDAR")) {
            Fail(reader_.LineNumber(),
                 "expected BEGIN:VCALENDAR, found BEGIN:" + std::string(name));
        }
        open_.push_back({std::string(name), reader_.LineStart(), reader_.LineNumber()});
        if (open_.size() == 2 && EqualsNoCase(name, "VEVENT")) {
            inEvent_ = true;
            event_ = {};
            endless_ = false;
        }
    }

    void Close(std::string_view name) {
        if (open_.empty()) {
            Fail(reader_.LineNumber(), "END:" + std::string(name) + " without BEGIN");
        }
        const OpenComponent& top = open_.back();
        if (!EqualsNoCase(top.name, name)) {
            Fail(reader_.LineNumber(), "END:" + std::string(name) + " does not close BEGIN:" +
                                           top.name + " of line " + std::to_string(top.line));
        }
        if (open_.size() == 2) {
            const IndexedComponent range{top.offset, reader_.Position() - top.offset, top.line};
            if (inEvent_) {
                FinishEvent(range);
            } else if (EqualsNoCase(name, "VTIMEZONE")) {
                index_.timeZones.push_back(range);
            }
        }
        open_.pop_back();
    }

    void FinishEvent(const IndexedComponent& range) {
        static_cast<IndexedComponent&>(event_) = range;
        if (endless_ || !event_.recurring || event_.startDay == kUnknownDay) {
            event_.lastDay = kUnknownDay;
        } else {
            event_.lastDay = std::max(event_.lastDay, event_.startDay);
        }
        if (!event_.recurring && !event_.isOverride) {
            event_.uid.clear();
            event_.uid.shrink_to_fit();
        }
        index_.events.push_back(std::move(event_));
        inEvent_ = false;
    }

    // Only properties whose names begin with these letters are looked at.
    static bool MayMatter(char first) {
        return first == 'R' || first == 'D' || first == 'U' || first == 'S';
    }

    void Peek(std::string_view line) {
        if (!MayMatter(AsciiUpper(line.front()))) {
            return;
        }
        const std::string_view name = PropertyName(line);
        if (EqualsNoCase(name, "RRULE")) {
            event_.recurring = true;
            const DayNumber until = UntilDayOf(PropertyValue(reader_.Unfold(line)));
            endless_ = endless_ || until == kUnknownDay;
            event_.lastDay = std::max(event_.lastDay, until);
        } else if (EqualsNoCase(name, "RDATE")) {
            event_.recurring = true;
            endless_ = true;
        } else if (EqualsNoCase(name, "RECURRENCE-ID")) {
            event_.isOverride = true;
        } else if (EqualsNoCase(name, "DTSTART")) {
            event_.startDay = DayOf(PropertyValue(reader_.Unfold(line)));
        } else if (EqualsNoCase(name, "UID")) {
            event_.uid = PropertyValue(reader_.Unfold(line));
        } else if (EqualsNoCase(name, "STATUS")) {
            event_.cancelled = EqualsNoCase(Trim(PropertyValue(reader_.Unfold(line))), "CANCELLED");
        }
    }

    LineReader reader_;
    const std::string& fileName_;
    std::vector<OpenComponent> open_;
    bool inEvent_ = false;
    IndexedEvent event_;
    bool endless_ = false;  // the event has a rule without UNTIL, or RDATEs
    CalendarIndex index_;
};

}  // namespace

CalendarIndex IndexCalendar(std::string_view text, const std::string& fileName) {
    return Indexer(text, fileName).Run();
}

}  // namespace agendix::scan::ical
