#include "scan/linux/CalendarIndex.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "common/core/Ascii.h"
#include "scan/linux/CalendarFileError.h"
#include "scan/linux/ContentLine.h"
#include "scan/linux/EventData.h"

namespace agendix::scan {
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
        if (common::StartsWithNoCase(Trim(part), "UNTIL=")) {
            return ValidDate(DayOf(Trim(part).substr(6)));
        }
        rule.remove_prefix(std::min(end + 1, rule.size()));
    }
    return kUnknownDay;
}

// Physical lines of a part of the file, without their line ends. A part holds whole content
// lines, so a folded line never continues into the next part.
class LineReader {
  public:
    // Reads `part` next, counting lines on from the part before.
    void Continue(std::string_view part) {
        text_ = part;
        position_ = 0;
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

    // The bytes from `start` through the folded lines that follow the current line, as written.
    std::string_view ContentLineFrom(std::size_t start) {
        std::string_view continuation;
        while (FoldedLineFollows() && Next(continuation)) {
        }
        return text_.substr(start, position_ - start);
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

// The end of the last content line of `text` that surely ends there: at a line end followed by
// a line that does not continue it. 0 when there is none.
std::size_t WholeLinesEnd(std::string_view text) {
    for (std::size_t end = text.size(); end > 0;) {
        const std::size_t lineEnd = text.rfind('\n', end - 1);
        if (lineEnd == std::string_view::npos) {
            return 0;
        }
        if (lineEnd + 1 < text.size() && !IsContinuation(text.substr(lineEnd + 1, 1))) {
            return lineEnd + 1;
        }
        end = lineEnd;
    }
    return 0;
}

constexpr std::size_t kBufferSize = std::size_t{1} << 16;

class Indexer {
  public:
    // Room for what a file of `size` bytes can hold is reserved up front, so that the kept text
    // and a large file's events are not moved as they grow: memory is only provided as it is
    // written. (A small file's events are few; its text is cut to size at the end.)
    Indexer(const std::string& fileName, std::size_t size, const DayRange& keptDays)
        : fileName_(fileName) {
        // About the least an event takes (its BEGIN, UID, DTSTAMP, DTSTART and END lines);
        // smaller ones only make the events grow as before.
        constexpr std::size_t kLeastEventSize = 128;
        open_.reserve(4);  // a calendar, an event, an alarm
        index_.text.reserve(size);
        if (size >= kBufferSize) {
            index_.events.reserve(size / kLeastEventSize);
        }
        index_.keptDays = keptDays;
    }

    // Indexes the next part of the file, which holds whole content lines.
    void Add(std::string_view part) {
        if (part.empty()) {
            return;
        }
        constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
        if (!started_ && part.starts_with(kByteOrderMark)) {
            part.remove_prefix(kByteOrderMark.size());
            base_ = kByteOrderMark.size();
        }
        started_ = true;
        reader_.Continue(part);
        std::string_view line;
        while (reader_.Next(line)) {
            if (line.empty() || IsContinuation(line)) {
                continue;
            }
            const std::size_t start = reader_.LineStart();
            const char first = common::AsciiUpper(line.front());
            if (first == 'B' && common::StartsWithNoCase(line, "BEGIN:")) {
                Open(Trim(line.substr(6)), start);
            } else if (first == 'E' && common::StartsWithNoCase(line, "END:")) {
                Close(Trim(line.substr(4)), start);
            } else if (open_.empty()) {
                if (!Trim(line).empty()) {
                    Fail(reader_.LineNumber(), "not iCalendar data (expected BEGIN:VCALENDAR)");
                }
            } else if (inZone_) {
                Keep(start);
            } else if (inEvent_ && open_.size() == 2) {
                const std::string_view name = PropertyName(line);
                Peek(name, line);
                if (IsReadProperty(name)) {
                    Keep(start);
                }
            }
        }
        base_ += part.size();
    }

    CalendarIndex Finish() {
        if (!open_.empty()) {
            const OpenComponent& last = open_.back();
            Fail(last.line, "BEGIN:" + last.name + " is never closed by END:" + last.name);
        }
        // A small text is cut to its size; a large one only costs the room it fills.
        if (index_.text.size() < kBufferSize) {
            index_.text.shrink_to_fit();
        }
        return std::move(index_);
    }

  private:
    struct OpenComponent {
        std::string name;
        std::size_t offset;
        std::uint32_t line;
        std::size_t kept;  // where its lines begin in the index's text
    };

    [[noreturn]] void Fail(std::uint32_t line, const std::string& what) const {
        throw CalendarFileError(fileName_, line, what);
    }

    // Keeps the content line that begins at `start` of the part.
    void Keep(std::size_t start) { index_.text.append(reader_.ContentLineFrom(start)); }

    void Open(std::string_view name, std::size_t start) {
        if (open_.empty() && !common::EqualsNoCase(name, "VCALENDAR")) {
            Fail(reader_.LineNumber(),
                 "expected BEGIN:VCALENDAR, found BEGIN:" + std::string(name));
        }
        open_.push_back(
            {std::string(name), base_ + start, reader_.LineNumber(), index_.text.size()});
        if (open_.size() == 2 && common::EqualsNoCase(name, "VEVENT")) {
            inEvent_ = true;
            event_ = {};
            endless_ = false;
            uid_.clear();
        } else if (open_.size() == 2 && common::EqualsNoCase(name, "VTIMEZONE")) {
            inZone_ = true;
        }
        if (inZone_) {
            Keep(start);
        }
    }

    void Close(std::string_view name, std::size_t start) {
        if (open_.empty()) {
            Fail(reader_.LineNumber(), "END:" + std::string(name) + " without BEGIN");
        }
        const OpenComponent& top = open_.back();
        if (!common::EqualsNoCase(top.name, name)) {
            Fail(reader_.LineNumber(), "END:" + std::string(name) + " does not close BEGIN:" +
                                           top.name + " of line " + std::to_string(top.line));
        }
        if (inZone_) {
            Keep(start);
        }
        if (open_.size() == 2) {
            const IndexedComponent range{top.offset,
                                         base_ + reader_.Position() - top.offset,
                                         top.line,
                                         {top.kept, index_.text.size() - top.kept}};
            if (inEvent_) {
                FinishEvent(range);
            } else if (inZone_) {
                index_.timeZones.push_back(range);
                inZone_ = false;
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
        if (!event_.recurring && !event_.isOverride && event_.startDay != kUnknownDay &&
            !index_.keptDays.Contains(event_.startDay)) {
            index_.text.resize(event_.kept.offset);
            event_.kept.length = 0;
        } else {
            event_.uid = uid_;  // what tells the event's appointments from others'
        }
        index_.events.push_back(std::move(event_));
        inEvent_ = false;
    }

    // Only properties whose names begin with these letters are looked at.
    static bool MayMatter(char first) {
        return first == 'R' || first == 'D' || first == 'U' || first == 'S';
    }

    void Peek(std::string_view name, std::string_view line) {
        if (!MayMatter(common::AsciiUpper(line.front()))) {
            return;
        }
        if (common::EqualsNoCase(name, "RRULE")) {
            event_.recurring = true;
            const DayNumber until = UntilDayOf(PropertyValue(reader_.Unfold(line)));
            endless_ = endless_ || until == kUnknownDay;
            event_.lastDay = std::max(event_.lastDay, until);
        } else if (common::EqualsNoCase(name, "RDATE")) {
            event_.recurring = true;
            endless_ = true;
        } else if (common::EqualsNoCase(name, "RECURRENCE-ID")) {
            event_.isOverride = true;
        } else if (common::EqualsNoCase(name, "DTSTART")) {
            event_.startDay = DayOf(PropertyValue(reader_.Unfold(line)));
        } else if (common::EqualsNoCase(name, "UID")) {
            uid_ = PropertyValue(reader_.Unfold(line));
        } else if (common::EqualsNoCase(name, "STATUS")) {
            event_.cancelled =
                common::EqualsNoCase(Trim(PropertyValue(reader_.Unfold(line))), "CANCELLED");
        }
    }

    LineReader reader_;
    const std::string& fileName_;
    bool started_ = false;
    std::size_t base_ = 0;  // where the part being read begins in the file
    std::vector<OpenComponent> open_;
    bool inEvent_ = false;  // within an event, its alarms included
    bool inZone_ = false;   // within a time zone
    IndexedEvent event_;
    bool endless_ = false;  // the event has a rule without UNTIL, or RDATEs
    std::string uid_;       // of the event, kept in it unless its text is not
    CalendarIndex index_;
};

}  // namespace

CalendarIndex IndexCalendar(const FileReader& read, std::size_t size, const DayRange& keptDays,
                            const std::string& fileName) {
    Indexer indexer(fileName, size, keptDays);
    // A small file is read whole into a buffer of its size, which is quicker to come by.
    std::size_t bufferSize = size > 0 && size < kBufferSize ? size + 1 : kBufferSize;
    auto buffer = std::make_unique_for_overwrite<char[]>(bufferSize);
    std::size_t filled = 0;
    while (const std::size_t count = read(buffer.get() + filled, bufferSize - filled)) {
        filled += count;
        const std::size_t whole = WholeLinesEnd({buffer.get(), filled});
        indexer.Add({buffer.get(), whole});
        std::memmove(buffer.get(), buffer.get() + whole, filled - whole);
        filled -= whole;
        if (filled == bufferSize) {  // a content line longer than the buffer
            auto larger = std::make_unique_for_overwrite<char[]>(bufferSize * 2);
            std::memcpy(larger.get(), buffer.get(), filled);
            buffer = std::move(larger);
            bufferSize *= 2;
        }
    }
    indexer.Add({buffer.get(), filled});
    return indexer.Finish();
}

CalendarIndex IndexCalendar(std::string_view text, const std::string& fileName) {
    Indexer indexer(fileName, text.size(), DayRange{});
    indexer.Add(text);
    return indexer.Finish();
}

}  // namespace agendix::scan
