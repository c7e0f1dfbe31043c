#pragma once

#include <string>
#include <vector>

#include "scan/core/AppointmentText.h"
#include "scan/core/CalendarSource.h"
#include "scan/core/DayAppointments.h"
#include "scan/core/LocalDateTime.h"

namespace agendix::scan {

// The local date and time now.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual LocalDateTime Now() const = 0;
};

// The tray icon's balloon as the scan drives it: title, text, then show.
class BalloonTray {
  public:
    virtual ~BalloonTray() = default;
    virtual void SetTrayToolTipTitle(const std::string& title) = 0;
    virtual void SetTrayToolTip(const std::string& text) = 0;
    virtual void Show(bool UpDateData) = 0;
};

// Lets the pending user-interface messages run once and returns.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual void ProcessPendingMessages() = 0;
};

// The pump of a program without a user interface: there is nothing to let run.
class NoMessagePump : public MessagePump {
  public:
    void ProcessPendingMessages() override {}
};

// The appointment scan and the state it keeps between scans. The tray hears of a result only
// when the day lists differ from those of the scan before.
class AppointmentScan {
  public:
    AppointmentScan(CalendarApplicationFactory& calendar, const Clock& clock, BalloonTray& tray,
                    MessagePump& pump);

    // Scans today, and tomorrow when `tomorrowValue` is 1 (the check box value). Does nothing
    // while IsLoading is set. A CalendarError from the calendar reaches the caller; the day
    // lists then stay as far as they were built and the tray is not touched.
    void doIt(int tomorrowValue);

    bool IsLoading() const { return isLoading_; }
    void SetIsLoading(bool loading) { isLoading_ = loading; }

    const DayLines& CurrentDayLines() const { return dayLines_; }
    // The appointments behind CurrentDayLines, one for each line.
    const DayAppointments& CurrentAppointments() const { return dayAppointments_; }
    const DayLines& PreviousDayLines() const { return previousDayLines_; }
    const std::string& AppointmentText() const { return appointmentText_; }
    // What the latest scan that completed left out because it could not be read (see
    // CalendarFolder::ReadProblems); empty when nothing.
    const std::vector<std::string>& ReadProblems() const { return readProblems_; }

  private:
    CalendarApplicationFactory& calendar_;
    const Clock& clock_;
    BalloonTray& tray_;
    MessagePump& pump_;

    bool isLoading_ = false;
    bool lastScanFailed_ = false;
    DayLines dayLines_;
    DayLines previousDayLines_;
    DayAppointments dayAppointments_;
    std::string appointmentText_;
    std::vector<std::string> readProblems_;
};

}  // namespace agendix::scan
