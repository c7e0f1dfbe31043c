#pragma once

// What a status bar shows of the day: the current or next appointment as one short text, the
// day's list as its tool tip, a state to style it by and the progress through the appointment
// under way. Text and tool tip are Pango markup, as status bars such as waybar take them.

#include <string>
#include <string_view>
#include <vector>

#include "scan/core/DayAppointments.h"
#include "scan/core/LocalDateTime.h"

namespace agendix::scan {

enum class BarState {
    Now,       // an appointment is under way
    Soon,      // the next one starts within the hour
    Upcoming,  // the next one starts later today
    Empty,     // nothing is left today
    Stale,     // the calendar cannot be read; this is what it held when last read today
    Error,     // the calendar cannot be read, and nothing from today was read before
};

struct BarStatus {
    std::string text;
    std::string tooltip;
    BarState state = BarState::Empty;
    int percentage = 0;  // 0..100 through the appointment under way, else 0

    bool operator==(const BarStatus&) const = default;
};

// "now", "soon", "upcoming", "empty", "stale" or "error".
std::string_view StateName(BarState state);

// `text` as Pango markup shows it: &, <, >, " and ' become entities.
std::string EscapeMarkup(std::string_view text);

// The status at `now` of today's appointments, `listing` (plain text) being the tool tip:
// - Now, "Review (until 10:30)": the appointment under way; when several are, the one that ends
//   first (the one started last among those ending together): that is where one is about to go
//   next. The percentage is the part of it that has passed.
// - Soon, "Standup in 25 min": the next one to start, when it starts within 60 minutes; the
//   minutes are rounded up, so the count never shows 0 before the start.
// - Upcoming, "14:00 Call": the next one to start, later today.
// - Empty, "": none is under way or left to start.
// Appointments that take whole days (midnight to midnight) stay in the listing only: they would
// otherwise count as under way all day. Line breaks and other control characters in subjects
// become spaces in the text, which is one line.
BarStatus StatusAt(const LocalDateTime& now, const std::vector<Appointment>& today,
                   std::string_view listing);

// The status when the calendar cannot be read and nothing read earlier today can stand in:
// "Calendar unavailable", the message as tool tip.
BarStatus ErrorStatus(std::string_view message);

}  // namespace agendix::scan
