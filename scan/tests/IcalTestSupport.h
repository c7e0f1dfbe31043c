#pragma once

// Helpers for the iCalendar layer's tests: the test calendars, a time zone for one test and a
// scan whose balloon is recorded.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "scan/core/AppointmentScan.h"
#include "scan/linux/IcalCalendar.h"

namespace agendix::scan::testing {

std::filesystem::path TestData(const std::string& name);

// Sets TZ (and tzset) for its lifetime, then restores the previous value.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

  private:
    std::optional<std::string> previous_;
};

struct Balloon {
    std::string title;
    std::string text;  // without the final NUL, CR LF turned into LF for readable expectations
};

// Runs scans of one calendar, keeping the calendar (and its cache) between them.
class Agenda {
  public:
    explicit Agenda(const std::filesystem::path& path, bool missingIsEmpty = false);
    explicit Agenda(std::unique_ptr<CalendarApplicationFactory> calendar);

    // The balloon of a scan on `date` (and the next day when `tomorrow`); an unchanged result
    // gives the balloon of the scan before.
    Balloon Scan(const CalendarDate& date, bool tomorrow = true);
    // What the latest completed scan left out because it could not be read.
    const std::vector<std::string>& ReadProblems() const { return readProblems_; }

    CalendarApplicationFactory& Calendar() { return *calendar_; }

  private:
    std::unique_ptr<CalendarApplicationFactory> calendar_;
    Balloon balloon_;
    std::vector<std::string> readProblems_;
};

// A file in a fresh temporary folder, removed with the object.
class TemporaryCalendar {
  public:
    TemporaryCalendar();
    ~TemporaryCalendar();
    TemporaryCalendar(const TemporaryCalendar&) = delete;
    TemporaryCalendar& operator=(const TemporaryCalendar&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    std::filesystem::path File() const { return folder_ / "calendar.ics"; }
    void Write(const std::string& text) const;
    // Writes `text` to the file `name` of the folder.
    void Write(const std::string& name, const std::string& text) const;

  private:
    std::filesystem::path folder_;
};

// A VCALENDAR around `events`, with CR LF line ends.
std::string Calendar(const std::string& events);

}  // namespace agendix::scan::testing
