#include "AppointmentScan.h"

#include <utility>

namespace agendix::scan {
namespace {

std::string LineOf(const AppointmentItem& item) {
    return FormatAppointmentLine(item.Start(), item.End(), item.Subject(), item.Location());
}

}  // namespace

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

    const int lastDay = tomorrowValue == 1 ? 1 : 0;
    const CalendarDate today = clock_.Now().date;
    for (int d = 0; d <= lastDay; ++d) {
        ScanDay(*folder, AddDays(today, d), dayLines_[static_cast<std::size_t>(d)]);
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

// Appends a line for every item that starts on `day`, in the collection's order. A series
// contributes each of its occurrences that day, at the series' place in the collection.
void AppointmentScan::ScanDay(CalendarFolder& folder, const CalendarDate& day,
                              std::string& lines) const {
    auto items = folder.Items()->Restrict(StartOfDay(day), StartOfDay(AddDays(day, 1)));
    for (auto item = items->GetFirst(); item; item = items->GetNext()) {
        if (item->IsRecurring() && AppendOccurrences(*item, day, lines)) {
            continue;
        }
        if (item->Start().date == day) {
            lines += LineOf(*item);
        }
    }
}

// Lists the series' occurrences that start on `day`. Returns false when the occurrences could
// not be read; the series is then listed by its own start like a single appointment.
bool AppointmentScan::AppendOccurrences(const AppointmentItem& series, const CalendarDate& day,
                                        std::string& lines) {
    const auto pattern = series.GetRecurrencePattern();
    std::string found;
    try {
        for (const auto& occurrence :
             pattern->GetOccurrences(StartOfDay(day), StartOfDay(AddDays(day, 1)))) {
            if (occurrence->Start().date == day) {
                found += LineOf(*occurrence);
            }
        }
    } catch (const CalendarError&) {
        return false;
    }
    lines += found;
    return true;
}

}  // namespace agendix::scan
