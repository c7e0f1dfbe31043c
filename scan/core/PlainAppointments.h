#pragma once

// Appointments read to their end: their own times and texts, with no series behind them, in a
// collection of the object model. The calendars whose items are read at once (merged calendars,
// a calendar service that expands series itself) hand them to the scan this way.

#include <memory>
#include <string>
#include <vector>

#include "scan/core/CalendarSource.h"

namespace agendix::scan {

struct PlainAppointment {
    LocalDateTime start;
    LocalDateTime end;
    std::string subject;
    std::string location;
    std::string identity;  // see AppointmentItem::Identity

    bool operator==(const PlainAppointment&) const = default;
};

// `item` read at once: a failure to read it is thrown here.
PlainAppointment ReadPlainAppointment(const AppointmentItem& item);

// The items of `items` that may start in [from, until), read at once in their order, each series
// as its occurrences there (as the scan reads a series: by its own start when they cannot be
// read). A failure to read them is thrown here.
std::vector<PlainAppointment> ReadAppointmentsIn(ItemCollection& items, const LocalDateTime& from,
                                                 const LocalDateTime& until);

// The appointments in their order; none of them recurs.
class PlainCollection : public ItemCollection {
  public:
    explicit PlainCollection(std::vector<PlainAppointment> appointments);

    std::unique_ptr<AppointmentItem> GetFirst() override;
    std::unique_ptr<AppointmentItem> GetNext() override;
    std::unique_ptr<ItemCollection> Restrict(const LocalDateTime& from,
                                             const LocalDateTime& until) override;

  private:
    std::unique_ptr<AppointmentItem> Current() const;

    std::vector<PlainAppointment> appointments_;
    std::size_t position_ = 0;
};

}  // namespace agendix::scan
