#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "scan/core/CalendarSource.h"
#include "scan/core/LocalDateTime.h"

namespace agendix::scan {

// One appointment as a scan finds it: a single appointment or one occurrence of a series.
struct Appointment {
    LocalDateTime start;
    LocalDateTime end;
    std::string subject;
    std::string location;

    bool operator==(const Appointment&) const = default;
};

// Index 0 holds today's appointments, index 1 tomorrow's (as DayLines does for the lines).
using DayAppointments = std::array<std::vector<Appointment>, 2>;

// Hands `found` every appointment of `folder` that starts on `day`, in the collection's order. A
// series contributes each of its occurrences that day, at the series' place in the collection;
// when its occurrences cannot be read, the series counts by its own start like a single
// appointment. A CalendarError reaches the caller after what was found before it.
void ForEachAppointmentOn(CalendarFolder& folder, const CalendarDate& day,
                          const std::function<void(const Appointment&)>& found);

}  // namespace agendix::scan
