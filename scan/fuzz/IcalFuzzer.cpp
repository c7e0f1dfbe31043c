// libFuzzer target: any bytes as a calendar file, scanned the way the tray scans it, then
// walked item by item through the whole object model. Only CalendarError may come out. Then the
// same file in a directory calendar, whose scan leaves out what cannot be read and so must
// complete.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "scan/core/AppointmentScan.h"
#include "scan/linux/IcalCalendar.h"

namespace {

using namespace agendix::scan;

class FixedClock : public Clock {
  public:
    LocalDateTime Now() const override { return {{2026, 3, 29}, 12, 0, 0}; }
};

class SilentTray : public BalloonTray {
  public:
    void SetTrayToolTipTitle(const std::string&) override {}
    void SetTrayToolTip(const std::string&) override {}
    void Show(bool) override {}
};

const std::filesystem::path& InputFolder() {
    static const std::filesystem::path path = [] {
        auto folder =
            std::filesystem::temp_directory_path() / ("agendix-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(folder);
        return folder;
    }();
    return path;
}

std::filesystem::path InputFile() {
    return InputFolder() / "input.ics";
}

void WalkEverything(CalendarApplicationFactory& calendar) {
    auto items = calendar.CreateApplication()
                     ->GetNamespace("MAPI")
                     ->GetDefaultFolder(CalendarNamespace::kFolderCalendar)
                     ->Items();
    for (auto item = items->GetFirst(); item; item = items->GetNext()) {
        const std::string line =
            FormatAppointmentLine(item->Start(), item->End(), item->Subject(), item->Location());
        if (item->IsRecurring()) {
            const auto pattern = item->GetRecurrencePattern();
            const LocalDateTime start = pattern->StartTime();
            pattern->GetOccurrences(StartOfDay(start.date), StartOfDay(AddDays(start.date, 3)));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream file(InputFile(), std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    FixedClock clock;
    SilentTray tray;
    NoMessagePump pump;
    const auto file = MakeIcalCalendar({InputFile(), false});
    AppointmentScan fileScan(*file, clock, tray, pump);
    try {
        fileScan.doIt(1);
        WalkEverything(*file);
    } catch (const CalendarError&) {
        // A clear refusal of bad data is the expected outcome.
    }
    const auto folder = MakeIcalCalendar({InputFolder(), false});
    AppointmentScan(*folder, clock, tray, pump).doIt(1);
    return 0;
}
