#include "scan/tests/FakeCalendar.h"

namespace agendix::scan::testing {
namespace {

std::unique_ptr<AppointmentItem> MakeItem(const FakeAppointment& appointment);

class Pattern : public RecurrencePattern {
  public:
    explicit Pattern(const FakeAppointment& series) : series_(series) {}
    LocalDateTime StartTime() const override { return series_.start; }
    std::unique_ptr<AppointmentItem> GetOccurrence(const LocalDateTime& start) const override {
        for (const auto& occurrence : *series_.occurrences) {
            if (occurrence.start == start) {
                return MakeItem(occurrence);
            }
        }
        throw CalendarError("no occurrence at that moment");
    }
    std::vector<std::unique_ptr<AppointmentItem>> GetOccurrences(
        const LocalDateTime& from, const LocalDateTime& until) const override {
        if (series_.occurrencesFail) {
            throw CalendarError("occurrences cannot be read");
        }
        std::vector<std::unique_ptr<AppointmentItem>> found;
        for (const auto& occurrence : *series_.occurrences) {
            if (from <= occurrence.start && occurrence.start < until) {
                found.push_back(MakeItem(occurrence));
            }
        }
        return found;
    }

  private:
    const FakeAppointment& series_;
};

class Item : public AppointmentItem {
  public:
    explicit Item(const FakeAppointment& appointment) : appointment_(appointment) {}
    bool IsRecurring() const override { return appointment_.occurrences.has_value(); }
    std::unique_ptr<RecurrencePattern> GetRecurrencePattern() const override {
        if (!IsRecurring()) {
            throw CalendarError("not a recurring appointment");
        }
        return std::make_unique<Pattern>(appointment_);
    }
    LocalDateTime Start() const override {
        if (appointment_.unreadable) {
            throw CalendarError("appointment cannot be read");
        }
        return appointment_.start;
    }
    LocalDateTime End() const override { return appointment_.end; }
    std::string Subject() const override { return appointment_.subject; }
    std::string Location() const override { return appointment_.location; }
    std::string Identity() const override { return appointment_.identity; }

  private:
    const FakeAppointment& appointment_;
};

std::unique_ptr<AppointmentItem> MakeItem(const FakeAppointment& appointment) {
    return std::make_unique<Item>(appointment);
}

// Yields every appointment, in order; Restrict keeps what may start in the range.
class Collection : public ItemCollection {
  public:
    Collection(FakeCalendar& calendar, std::vector<const FakeAppointment*> items)
        : calendar_(calendar), items_(std::move(items)) {}
    std::unique_ptr<AppointmentItem> GetFirst() override {
        next_ = 0;
        return GetNext();
    }
    std::unique_ptr<AppointmentItem> GetNext() override {
        if (next_ >= items_.size()) {
            return nullptr;
        }
        ++calendar_.itemsEnumerated;
        return MakeItem(*items_[next_++]);
    }
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override {
        std::vector<const FakeAppointment*> kept;
        for (const auto* item : items_) {
            if (item->occurrences || (from <= item->start && item->start < until)) {
                kept.push_back(item);
            }
        }
        return std::make_unique<Collection>(calendar_, std::move(kept));
    }

  private:
    FakeCalendar& calendar_;
    std::vector<const FakeAppointment*> items_;
    std::size_t next_ = 0;
};

class Folder : public CalendarFolder {
  public:
    explicit Folder(FakeCalendar& calendar) : calendar_(calendar) {}
    std::unique_ptr<ItemCollection> Items() override {
        std::vector<const FakeAppointment*> all;
        for (const auto& appointment : calendar_.appointments) {
            all.push_back(&appointment);
        }
        return std::make_unique<Collection>(calendar_, std::move(all));
    }
    std::vector<std::string> ReadProblems() const override { return calendar_.readProblems; }

  private:
    FakeCalendar& calendar_;
};

class Namespace : public CalendarNamespace {
  public:
    explicit Namespace(FakeCalendar& calendar) : calendar_(calendar) {}
    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        if (folderType != kFolderCalendar) {
            throw CalendarError("only the calendar folder exists");
        }
        return std::make_unique<Folder>(calendar_);
    }

  private:
    FakeCalendar& calendar_;
};

class Application : public CalendarApplication {
  public:
    explicit Application(FakeCalendar& calendar) : calendar_(calendar) {}
    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        if (type != "MAPI") {
            throw CalendarError("unknown namespace");
        }
        return std::make_unique<Namespace>(calendar_);
    }

  private:
    FakeCalendar& calendar_;
};

}  // namespace

std::unique_ptr<CalendarApplication> FakeCalendar::CreateApplication() {
    if (notReady) {
        throw CalendarNotReady("still opening the calendar");
    }
    if (failToOpen) {
        throw CalendarError("calendar.ics line 3: broken");
    }
    ++applicationsCreated;
    return std::make_unique<Application>(*this);
}

}  // namespace agendix::scan::testing
