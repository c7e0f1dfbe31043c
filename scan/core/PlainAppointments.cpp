#include "scan/core/PlainAppointments.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace agendix::scan {
namespace {

class PlainItem : public AppointmentItem {
  public:
    explicit PlainItem(PlainAppointment data) : data_(std::move(data)) {}

    bool IsRecurring() const override { return false; }
    std::unique_ptr<RecurrencePattern> GetRecurrencePattern() const override {
        throw CalendarError("\"" + data_.subject + "\" is not a recurring appointment");
    }
    LocalDateTime Start() const override { return data_.start; }
    LocalDateTime End() const override { return data_.end; }
    std::string Subject() const override { return data_.subject; }
    std::string Location() const override { return data_.location; }
    std::string Identity() const override { return data_.identity; }

  private:
    PlainAppointment data_;
};

// As the scan reads a series: its occurrences, or the series by its own start when they cannot
// be read.
void ReadOccurrences(const AppointmentItem& series, const LocalDateTime& from,
                     const LocalDateTime& until, std::vector<PlainAppointment>& out) {
    const auto pattern = series.GetRecurrencePattern();
    std::vector<PlainAppointment> occurrences;
    try {
        for (const auto& occurrence : pattern->GetOccurrences(from, until)) {
            occurrences.push_back(ReadPlainAppointment(*occurrence));
        }
    } catch (const CalendarError&) {
        out.push_back(ReadPlainAppointment(series));
        return;
    }
    out.insert(out.end(), occurrences.begin(), occurrences.end());
}

}  // namespace

PlainAppointment ReadPlainAppointment(const AppointmentItem& item) {
    return {item.Start(), item.End(), item.Subject(), item.Location(), item.Identity()};
}

std::vector<PlainAppointment> ReadAppointmentsIn(ItemCollection& items, const LocalDateTime& from,
                                                 const LocalDateTime& until) {
    const auto restricted = items.Restrict(from, until);
    std::vector<PlainAppointment> found;
    for (auto item = restricted->GetFirst(); item; item = restricted->GetNext()) {
        if (item->IsRecurring()) {
            ReadOccurrences(*item, from, until, found);
        } else {
            found.push_back(ReadPlainAppointment(*item));
        }
    }
    return found;
}

PlainCollection::PlainCollection(std::vector<PlainAppointment> appointments)
    : appointments_(std::move(appointments)) {}

std::unique_ptr<AppointmentItem> PlainCollection::GetFirst() {
    position_ = 0;
    return Current();
}

std::unique_ptr<AppointmentItem> PlainCollection::GetNext() {
    if (position_ < appointments_.size()) {
        ++position_;
    }
    return Current();
}

std::unique_ptr<ItemCollection> PlainCollection::Restrict(const LocalDateTime& from,
                                                          const LocalDateTime& until) {
    std::vector<PlainAppointment> kept;
    std::copy_if(
        appointments_.begin(), appointments_.end(), std::back_inserter(kept),
        [&](const PlainAppointment& item) { return from <= item.start && item.start < until; });
    return std::make_unique<PlainCollection>(std::move(kept));
}

std::unique_ptr<AppointmentItem> PlainCollection::Current() const {
    return position_ < appointments_.size() ? std::make_unique<PlainItem>(appointments_[position_])
                                            : nullptr;
}

}  // namespace agendix::scan
