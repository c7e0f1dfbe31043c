#include "scan/core/AppointmentText.h"

namespace agendix::scan {

std::string FormatAppointmentLine(const LocalDateTime& start, const LocalDateTime& end,
                                  const std::string& subject, const std::string& location) {
    return " [" + FormatHourMinute(start) + " - " + FormatHourMinute(end) + "] " + subject + " (" +
           location + ")" + kLineEnd;
}

std::string AssembleAppointmentText(DayLines& lines) {
    std::string text;
    if (!lines[0].empty()) {
        text += lines[0] + kLineEnd;
    }
    if (!lines[1].empty()) {
        if (!lines[0].empty()) {
            text += std::string(kTitleTomorrow) + kLineEnd;
        }
        text += lines[1] + kLineEnd;
    }
    if (lines[0].empty() && lines[1].empty()) {
        lines[0] = kNothingFound;
        text = kNothingFound;
    }
    return text;
}

std::string ChooseTitle(const DayLines& lines) {
    if (lines[0] == kNothingFound) {
        return kTitleNoAppointments;
    }
    if (!lines[0].empty()) {
        return kTitleToday;
    }
    return kTitleTomorrow;
}

}  // namespace agendix::scan
