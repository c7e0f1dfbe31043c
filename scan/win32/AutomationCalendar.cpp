#include "scan/win32/AutomationCalendar.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "scan/win32/DispatchObject.h"

namespace agendix::scan {
namespace {

// One argument for a call (a braced list would copy the move-only variant).
std::vector<ComVariant> Arguments(ComVariant argument) {
    std::vector<ComVariant> arguments;
    arguments.push_back(std::move(argument));
    return arguments;
}

// A folder's item collection. One that `folder` gave out unchanged restricts a fresh copy of the
// folder's items, so its own order and contents stay as they were.
class AutomationItems : public ItemCollection {
  public:
    // `expanded`: the collection yields the occurrences of series, each as an appointment.
    AutomationItems(DispatchObject items, DispatchObject folder, bool expanded)
        : items_(std::move(items)), folder_(std::move(folder)), expanded_(expanded) {}

    std::unique_ptr<AppointmentItem> GetFirst() override { return Item(L"GetFirst"); }
    std::unique_ptr<AppointmentItem> GetNext() override { return Item(L"GetNext"); }
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override;

  private:
    std::unique_ptr<AppointmentItem> Item(const wchar_t* member) const;

    DispatchObject items_;
    DispatchObject folder_;  // null for a collection that was restricted already
    bool expanded_;
};

class AutomationAppointment : public AppointmentItem {
  public:
    // `occurrence`: the item is one occurrence of a series, not the series itself.
    AutomationAppointment(DispatchObject item, bool occurrence)
        : item_(std::move(item)), occurrence_(occurrence) {}

    // An occurrence is listed by its own start; only the series itself has occurrences to find.
    bool IsRecurring() const override { return !occurrence_ && item_.GetBool(L"IsRecurring"); }
    std::unique_ptr<RecurrencePattern> GetRecurrencePattern() const override;
    LocalDateTime Start() const override { return item_.GetDate(L"Start"); }
    LocalDateTime End() const override { return item_.GetDate(L"End"); }
    std::string Subject() const override { return item_.GetText(L"Subject"); }
    std::string Location() const override { return item_.GetText(L"Location"); }

  private:
    DispatchObject item_;
    bool occurrence_;
};

class AutomationPattern : public RecurrencePattern {
  public:
    explicit AutomationPattern(DispatchObject pattern) : pattern_(std::move(pattern)) {}

    LocalDateTime StartTime() const override { return pattern_.GetDate(L"StartTime"); }
    std::unique_ptr<AppointmentItem> GetOccurrence(const LocalDateTime& start) const override {
        return std::make_unique<AutomationAppointment>(
            pattern_.CallObject(L"GetOccurrence", Arguments(ComVariant::FromDate(start))), true);
    }
    std::vector<std::unique_ptr<AppointmentItem>> GetOccurrences(
        const LocalDateTime& from, const LocalDateTime& until) const override;

  private:
    DispatchObject pattern_;
};

class AutomationFolder : public CalendarFolder {
  public:
    explicit AutomationFolder(DispatchObject folder) : folder_(std::move(folder)) {}

    std::unique_ptr<ItemCollection> Items() override {
        return std::make_unique<AutomationItems>(folder_.CallObject(L"Items"), folder_, false);
    }
    // The object model reports every problem as a failure of the call that met it.
    std::vector<std::string> ReadProblems() const override { return {}; }

  private:
    DispatchObject folder_;
};

class AutomationNamespace : public CalendarNamespace {
  public:
    explicit AutomationNamespace(DispatchObject mapi) : mapi_(std::move(mapi)) {}

    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        return std::make_unique<AutomationFolder>(
            mapi_.CallObject(L"GetDefaultFolder", Arguments(ComVariant::FromInt(folderType))));
    }

  private:
    DispatchObject mapi_;
};

class AutomationApplication : public CalendarApplication {
  public:
    explicit AutomationApplication(DispatchObject application)
        : application_(std::move(application)) {}

    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        return std::make_unique<AutomationNamespace>(
            application_.CallObject(L"GetNamespace", Arguments(ComVariant::FromText(type))));
    }

  private:
    DispatchObject application_;
};

class AutomationFactory : public CalendarApplicationFactory {
  public:
    explicit AutomationFactory(std::wstring programId) : programId_(std::move(programId)) {}

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        return std::make_unique<AutomationApplication>(
            CreateDispatchObject(std::make_shared<const ComSession>(programId_)));
    }

  private:
    std::wstring programId_;
};

// The object model's restriction text for items starting in [from, until). Its dates are read
// in the user's locale, so they are written in it too.
std::wstring StartsBetween(const LocalDateTime& from, const LocalDateTime& until) {
    return L"[Start] >= '" + LocaleDateText(from) + L"' AND [Start] < '" + LocaleDateText(until) +
           L"'";
}

std::unique_ptr<ItemCollection> AutomationItems::Restrict(const LocalDateTime& from,
                                                          const LocalDateTime& until) {
    // The object model expands series only in a collection sorted by start that includes
    // recurrences; the restriction then yields each occurrence in the range as an item.
    DispatchObject items = items_;
    if (folder_) {
        items = folder_.CallObject(L"Items");
        items.Call(L"Sort", Arguments(ComVariant::FromText("[Start]")));
        items.Put(L"IncludeRecurrences", ComVariant::FromBool(true));
    }
    return std::make_unique<AutomationItems>(
        items.CallObject(L"Restrict", Arguments(ComVariant::FromWide(StartsBetween(from, until)))),
        DispatchObject(), true);
}

std::unique_ptr<AppointmentItem> AutomationItems::Item(const wchar_t* member) const {
    DispatchObject found = items_.CallOptionalObject(member);
    if (!found) {
        return nullptr;
    }
    return std::make_unique<AutomationAppointment>(std::move(found), expanded_);
}

std::unique_ptr<RecurrencePattern> AutomationAppointment::GetRecurrencePattern() const {
    return std::make_unique<AutomationPattern>(item_.CallObject(L"GetRecurrencePattern"));
}

// The object model finds an occurrence by the moment the series puts it at: each day's is
// looked up at the series' start time, and kept when what the server gives for it (moved
// elsewhere, perhaps) starts in the range. One moved into the range from a day outside it is not
// found; the scan reads a restricted collection instead, which holds them all.
std::vector<std::unique_ptr<AppointmentItem>> AutomationPattern::GetOccurrences(
    const LocalDateTime& from, const LocalDateTime& until) const {
    const LocalDateTime startTime = StartTime();
    std::vector<std::unique_ptr<AppointmentItem>> found;
    for (CalendarDate day = from.date; StartOfDay(day) < until; day = AddDays(day, 1)) {
        const LocalDateTime moment{day, startTime.hour, startTime.minute, 0};
        if (moment < from || !(moment < until)) {
            continue;
        }
        try {
            auto occurrence = GetOccurrence(moment);
            const LocalDateTime start = occurrence->Start();
            if (!(start < from) && start < until) {  // one moved away is not there
                found.push_back(std::move(occurrence));
            }
        } catch (const CalendarError&) {
            // No occurrence starts at that moment.
        }
    }
    // A moved occurrence may start before the one looked up the day before it.
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a->Start() < b->Start(); });
    return found;
}

}  // namespace

std::unique_ptr<CalendarApplicationFactory> MakeAutomationCalendar(std::wstring programId) {
    return std::make_unique<AutomationFactory>(std::move(programId));
}

}  // namespace agendix::scan
