#include "scan/core/AppointmentScan.h"

#include <utility>

namespace agendix::scan {

AppointmentScan::AppointmentScan(CalendarApplicationFactory& calendar, const Clock& clock,
                                 BalloonTray& tray, MessagePump& pump)
    : calendar_(calendar), clock_(clock), tray_(tray), pump_(pump) {}

void AppointmentScan::doIt(int tomorrowValue) {
    if (isLoading_) {
        return;
    }
    // When the scan before failed, its day lists may be part-built and the tray may show the
    // failure instead; this scan then updates the tray even if its lines equal the old ones.
    const bool trayWasLeftBehind = std::exchange(lastScanFailed_, true);
    auto application = calendar_.CreateApplication();
    auto mapi = application->GetNamespace("MAPI");
    auto folder = mapi->GetDefaultFolder(CalendarNamespace::kFolderCalendar);

    appointmentText_.clear();
    previousDayLines_ = dayLines_;
    dayLines_ = {};
    dayAppointments_ = {};

    const int lastDay = tomorrowValue == 1 ? 1 : 0;
    const CalendarDate today = clock_.Now().date;
    for (int d = 0; d <= lastDay; ++d) {
        auto& appointments = dayAppointments_[static_cast<std::size_t>(d)];
        auto& lines = dayLines_[static_cast<std::size_t>(d)];
        ForEachAppointmentOn(*folder, AddDays(today, d), [&](const Appointment& appointment) {
            appointments.push_back(appointment);
            lines += FormatAppointmentLine(appointment.start, appointment.end, appointment.subject,
                                           appointment.location);
        });
    }

    appointmentText_ = AssembleAppointmentText(dayLines_);
    readProblems_ = folder->ReadProblems();
    if (dayLines_ != previousDayLines_ || trayWasLeftBehind) {
        tray_.SetTrayToolTipTitle(ChooseTitle(dayLines_));
        tray_.SetTrayToolTip(appointmentText_ + '\0');
        tray_.Show(true);
    }
    lastScanFailed_ = false;

    folder.reset();
    mapi.reset();
    application.reset();
    pump_.ProcessPendingMessages();
}

}  // namespace agendix::scan
