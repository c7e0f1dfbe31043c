#include "scan/core/StatusScan.h"

#include <exception>

namespace agendix::scan {

StatusScan::StatusScan(CalendarApplicationFactory& calendar, const Clock& clock, bool tomorrow)
    : clock_(clock), tomorrow_(tomorrow), scan_(calendar, moment_, balloon_, pump_) {}

BarStatus StatusScan::Refresh() {
    moment_.now = clock_.Now();
    try {
        scan_.doIt(tomorrow_ ? 1 : 0);
    } catch (const std::exception& failure) {
        if (!lastReading_ || lastReading_->readAt.date != moment_.now.date) {
            return ErrorStatus(failure.what());
        }
        BarStatus stale =
            StatusAt(moment_.now, lastReading_->today,
                     std::string(failure.what()) + "\n\nAs read at " +
                         FormatHourMinute(lastReading_->readAt) + ":\n" + lastReading_->listing);
        stale.state = BarState::Stale;
        return stale;
    }
    lastReading_ = Reading{moment_.now, scan_.CurrentAppointments()[0], Listing()};
    return StatusAt(moment_.now, lastReading_->today, lastReading_->listing);
}

// The balloon's title and text with plain line ends, then what was left out.
std::string StatusScan::Listing() const {
    std::string listing = ChooseTitle(scan_.CurrentDayLines()) + '\n';
    for (const char c : scan_.AppointmentText()) {
        if (c != '\r') {
            listing += c;
        }
    }
    while (listing.ends_with('\n')) {
        listing.pop_back();
    }
    const auto& problems = scan_.ReadProblems();
    for (std::size_t i = 0; i < problems.size(); ++i) {
        listing += (i == 0 ? "\n\n" : "\n") + problems[i];
    }
    return listing;
}

}  // namespace agendix::scan
