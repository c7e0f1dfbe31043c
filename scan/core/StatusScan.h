#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scan/core/AppointmentScan.h"
#include "scan/core/BarStatus.h"

namespace agendix::scan {

// Appointment scans for a status bar: each Refresh scans the calendar afresh and gives the status
// at that moment. The tool tip is the balloon's title and text, followed by what the scan left
// out because it could not be read. When a scan fails after one that succeeded the same day, the
// status is that day's as it was read (Stale), the failure and the time it was read heading the
// tool tip, so that a calendar caught half-written or briefly unreadable keeps its countdown;
// without such a scan it is an Error.
class StatusScan {
  public:
    // `tomorrow`: the tool tip lists the next day too, as the balloon's "tomorrow" option does.
    StatusScan(CalendarApplicationFactory& calendar, const Clock& clock, bool tomorrow);

    BarStatus Refresh();

  private:
    // The moment of the refresh under way, so that the scan and the status agree on the day.
    class RefreshMoment : public Clock {
      public:
        LocalDateTime now;
        LocalDateTime Now() const override { return now; }
    };
    class NoBalloon : public BalloonTray {
      public:
        void SetTrayToolTipTitle(const std::string&) override {}
        void SetTrayToolTip(const std::string&) override {}
        void Show(bool) override {}
    };
    struct Reading {
        LocalDateTime readAt;
        std::vector<Appointment> today;
        std::string listing;
    };

    std::string Listing() const;

    const Clock& clock_;
    const bool tomorrow_;
    RefreshMoment moment_;
    NoBalloon balloon_;
    NoMessagePump pump_;
    AppointmentScan scan_;
    std::optional<Reading> lastReading_;
};

}  // namespace agendix::scan
