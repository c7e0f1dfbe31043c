#include "scan/linux/EdsCalendar.h"

#include <ctime>
#include <utility>
#include <vector>

#include "scan/core/PlainAppointments.h"
#include "scan/linux/EdsWorker.h"

namespace agendix::scan {
namespace {

// See AppointmentItem::Identity.
std::string Identity(const EdsInstance& instance) {
    if (instance.uid.empty() || instance.recurrenceId.empty()) {
        return instance.uid;
    }
    return instance.uid + '/' + instance.recurrenceId;
}

// What one scan reads: the worker's snapshot taken at the first need and kept while it covers
// the days asked for, so that the days of a scan see the calendar in one state.
class SnapshotReading {
  public:
    SnapshotReading(std::shared_ptr<EdsWorker> worker, bool absentIsEmpty,
                    std::chrono::milliseconds wait)
        : worker_(std::move(worker)), absentIsEmpty_(absentIsEmpty), wait_(wait) {}

    // The instances that start in [from, until), in the service's order, in the local time of
    // the scan that reads them.
    std::vector<PlainAppointment> Instances(const LocalDateTime& from, const LocalDateTime& until) {
        const CalendarDate first = from.date;
        // The scan asks for today, then tomorrow: read both at once.
        const CalendarDate last = std::max(AddDays(from.date, 1), until.date);
        if (!snapshot_ || !Usable(*snapshot_, first, last)) {
            snapshot_ = worker_->Read(first, last, wait_);
        }
        const EdsSnapshot& snapshot = *snapshot_;
        switch (snapshot.state) {
            case EdsState::Ready:
                break;
            case EdsState::Opening:
            case EdsState::Syncing:
                // Nothing can be said yet, not even that the day is empty (a remote calendar's
                // first list comes from an empty cache): the worker's change notice follows once
                // the calendar answers.
                throw CalendarNotReady(snapshot.message);
            case EdsState::Absent:
                // Nobody chose the service: its absence is an empty calendar.
                if (absentIsEmpty_) {
                    return {};
                }
                throw CalendarError(snapshot.message);
            default:
                throw CalendarError(snapshot.message);
        }
        if (!snapshot.Covers(first,
                             AddDays(until.date, until == StartOfDay(until.date) ? -1 : 0))) {
            throw CalendarNotReady(
                "The calendar service is still reading the appointments of that day; they follow "
                "in a moment.");
        }
        std::vector<PlainAppointment> found;
        for (const EdsInstance& instance : snapshot.instances) {
            PlainAppointment data{ToLocal(instance.start), ToLocal(instance.end), instance.subject,
                                  instance.location, Identity(instance)};
            if (from <= data.start && data.start < until) {
                found.push_back(std::move(data));
            }
        }
        return found;
    }

    // Today's instances.
    std::vector<PlainAppointment> All() {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        const CalendarDate today{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
        return Instances(StartOfDay(today), StartOfDay(AddDays(today, 1)));
    }

  private:
    static bool Usable(const EdsSnapshot& snapshot, const CalendarDate& first,
                       const CalendarDate& last) {
        return snapshot.state != EdsState::Ready || snapshot.Covers(first, last);
    }

    std::shared_ptr<EdsWorker> worker_;
    bool absentIsEmpty_;
    std::chrono::milliseconds wait_;
    std::shared_ptr<const EdsSnapshot> snapshot_;
};

// The folder's items as Items gives them: the instances of the days a restriction names. Walked
// without a restriction, they are today's.
class FolderItems : public ItemCollection {
  public:
    explicit FolderItems(std::shared_ptr<SnapshotReading> reading) : reading_(std::move(reading)) {}

    std::unique_ptr<AppointmentItem> GetFirst() override { return All().GetFirst(); }
    std::unique_ptr<AppointmentItem> GetNext() override { return All().GetNext(); }
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override {
        return std::make_unique<PlainCollection>(reading_->Instances(from, until));
    }

  private:
    PlainCollection& All() {
        if (!all_) {
            all_ = std::make_unique<PlainCollection>(reading_->All());
        }
        return *all_;
    }

    std::shared_ptr<SnapshotReading> reading_;
    std::unique_ptr<PlainCollection> all_;
};

class EdsFolder : public CalendarFolder {
  public:
    explicit EdsFolder(std::shared_ptr<SnapshotReading> reading) : reading_(std::move(reading)) {}
    std::unique_ptr<ItemCollection> Items() override {
        return std::make_unique<FolderItems>(reading_);
    }
    std::vector<std::string> ReadProblems() const override { return {}; }

  private:
    std::shared_ptr<SnapshotReading> reading_;
};

class EdsNamespace : public CalendarNamespace {
  public:
    explicit EdsNamespace(std::shared_ptr<SnapshotReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<CalendarFolder> GetDefaultFolder(int folderType) override {
        if (folderType != kFolderCalendar) {
            throw CalendarError("there is no default folder of type " + std::to_string(folderType) +
                                ", only the calendar (" + std::to_string(kFolderCalendar) + ")");
        }
        return std::make_unique<EdsFolder>(reading_);
    }

  private:
    std::shared_ptr<SnapshotReading> reading_;
};

class EdsApplication : public CalendarApplication {
  public:
    explicit EdsApplication(std::shared_ptr<SnapshotReading> reading)
        : reading_(std::move(reading)) {}
    std::unique_ptr<CalendarNamespace> GetNamespace(std::string_view type) override {
        if (type != "MAPI") {
            throw CalendarError("unknown calendar namespace \"" + std::string(type) + "\"");
        }
        return std::make_unique<EdsNamespace>(reading_);
    }

  private:
    std::shared_ptr<SnapshotReading> reading_;
};

class EdsCalendar : public CalendarApplicationFactory {
  public:
    explicit EdsCalendar(EdsCalendarOptions options)
        : absentIsEmpty_(options.absentIsEmpty),
          wait_(options.readWait),
          worker_(std::make_shared<EdsWorker>(std::move(options))) {}

    std::unique_ptr<CalendarApplication> CreateApplication() override {
        tzset();  // a changed zone shows at the next scan
        return std::make_unique<EdsApplication>(
            std::make_shared<SnapshotReading>(worker_, absentIsEmpty_, wait_));
    }

  private:
    bool absentIsEmpty_;
    std::chrono::milliseconds wait_;
    std::shared_ptr<EdsWorker> worker_;
};

}  // namespace

std::unique_ptr<CalendarApplicationFactory> MakeEdsCalendar(EdsCalendarOptions options) {
    return std::make_unique<EdsCalendar>(std::move(options));
}

bool ParseEdsCalendarName(const std::string& name, std::string& uid) {
    constexpr std::string_view kPrefix = "eds:";
    if (!name.starts_with(kPrefix)) {
        return false;
    }
    uid = name.substr(kPrefix.size());
    return true;
}

}  // namespace agendix::scan
