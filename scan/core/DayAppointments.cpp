#include "scan/core/DayAppointments.h"

#include <optional>

namespace agendix::scan {
namespace {

Appointment Read(const AppointmentItem& item) {
    return {item.Start(), item.End(), item.Subject(), item.Location()};
}

// The series' occurrences that start on `day`, or nothing when they could not be read.
std::optional<std::vector<Appointment>> OccurrencesOn(const AppointmentItem& series,
                                                      const CalendarDate& day) {
    const auto pattern = series.GetRecurrencePattern();
    std::vector<Appointment> found;
    try {
        for (const auto& occurrence :
             pattern->GetOccurrences(StartOfDay(day), StartOfDay(AddDays(day, 1)))) {
            if (occurrence->Start().date == day) {
                found.push_back(Read(*occurrence));
            }
        }
    } catch (const CalendarError&) {
        return std::nullopt;
    }
    return found;
}

}  // namespace

void ForEachAppointmentOn(CalendarFolder& folder, const CalendarDate& day,
                          const std::function<void(const Appointment&)>& found) {
    auto items = folder.Items()->Restrict(StartOfDay(day), StartOfDay(AddDays(day, 1)));
    for (auto item = items->GetFirst(); item; item = items->GetNext()) {
        if (item->IsRecurring()) {
            if (const auto occurrences = OccurrencesOn(*item, day)) {
                for (const Appointment& occurrence : *occurrences) {
                    found(occurrence);
                }
                continue;
            }
        }
        if (item->Start().date == day) {
            found(Read(*item));
        }
    }
}

}  // namespace agendix::scan
