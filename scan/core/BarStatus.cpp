#include "scan/core/BarStatus.h"

#include <algorithm>

#include "scan/core/AppointmentText.h"

namespace agendix::scan {
namespace {

constexpr int kSoonSeconds = 60 * 60;

bool IsMidnight(const LocalDateTime& moment) {
    return moment.hour == 0 && moment.minute == 0 && moment.second == 0;
}

bool TakesWholeDays(const Appointment& appointment) {
    return IsMidnight(appointment.start) && IsMidnight(appointment.end) &&
           appointment.start < appointment.end;
}

// Whether `candidate` rather than `chosen` is the appointment under way to show.
bool EndsFirst(const Appointment& candidate, const Appointment& chosen) {
    return candidate.end < chosen.end ||
           (candidate.end == chosen.end && candidate.start > chosen.start);
}

// The subject on one line, as markup.
std::string SubjectText(const std::string& subject) {
    std::string line = subject;
    std::replace_if(
        line.begin(), line.end(),
        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == '\x7f'; }, ' ');
    return EscapeMarkup(line);
}

}  // namespace

std::string_view StateName(BarState state) {
    switch (state) {
        case BarState::Now:
            return "now";
        case BarState::Soon:
            return "soon";
        case BarState::Upcoming:
            return "upcoming";
        case BarState::Empty:
            return "empty";
        case BarState::Stale:
            return "stale";
        case BarState::Error:
            return "error";
    }
    return "error";
}

std::string EscapeMarkup(std::string_view text) {
    std::string markup;
    markup.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                markup += "&amp;";
                break;
            case '<':
                markup += "&lt;";
                break;
            case '>':
                markup += "&gt;";
                break;
            case '"':
                markup += "&quot;";
                break;
            case '\'':
                markup += "&apos;";
                break;
            default:
                markup += c;
        }
    }
    return markup;
}

BarStatus StatusAt(const LocalDateTime& now, const std::vector<Appointment>& today,
                   std::string_view listing) {
    const Appointment* current = nullptr;
    const Appointment* next = nullptr;
    for (const Appointment& appointment : today) {
        if (TakesWholeDays(appointment)) {
            continue;
        }
        if (appointment.start <= now && now < appointment.end) {
            if (!current || EndsFirst(appointment, *current)) {
                current = &appointment;
            }
        } else if (now < appointment.start && (!next || appointment.start < next->start)) {
            next = &appointment;
        }
    }

    BarStatus status;
    status.tooltip = EscapeMarkup(listing);
    if (current) {
        status.state = BarState::Now;
        status.text =
            SubjectText(current->subject) + " (until " + FormatHourMinute(current->end) + ")";
        status.percentage = static_cast<int>(SecondsBetween(current->start, now) * 100 /
                                             SecondsBetween(current->start, current->end));
    } else if (next && SecondsBetween(now, next->start) <= kSoonSeconds) {
        status.state = BarState::Soon;
        const auto minutes = (SecondsBetween(now, next->start) + 59) / 60;
        status.text = SubjectText(next->subject) + " in " + std::to_string(minutes) + " min";
    } else if (next) {
        status.state = BarState::Upcoming;
        status.text = FormatHourMinute(next->start) + " " + SubjectText(next->subject);
    }
    return status;
}

BarStatus ErrorStatus(std::string_view message) {
    return {kTitleCalendarUnavailable, EscapeMarkup(message), BarState::Error, 0};
}

}  // namespace agendix::scan
