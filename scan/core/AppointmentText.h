#pragma once

#include <array>
#include <string>

#include "scan/core/LocalDateTime.h"

namespace agendix::scan {

inline constexpr char kLineEnd[] = "\r\n";
inline constexpr char kNothingFound[] = "----";
inline constexpr char kTitleToday[] = "Today:";
inline constexpr char kTitleTomorrow[] = "Tomorrow:";
inline constexpr char kTitleNoAppointments[] = "No Appointments";
// Stands for the appointments while the calendar cannot be read.
inline constexpr char kTitleCalendarUnavailable[] = "Calendar unavailable";
// The icon's tool tip while the calendar is still being opened; no balloon pops up for it.
inline constexpr char kTitleCalendarOpening[] = "Reading the calendar\u2026";

// Index 0 holds today's lines, index 1 tomorrow's.
using DayLines = std::array<std::string, 2>;

// " [hh:mm - hh:mm] subject (location)" and CR LF.
std::string FormatAppointmentLine(const LocalDateTime& start, const LocalDateTime& end,
                                  const std::string& subject, const std::string& location);

// The appointment text of the day lists. When both are empty the text is "----" and today's
// list becomes the marker "----" too, so that a second empty result counts as unchanged.
std::string AssembleAppointmentText(DayLines& lines);

// The balloon title for day lists that went through AssembleAppointmentText.
std::string ChooseTitle(const DayLines& lines);

}  // namespace agendix::scan
