#include "scan/tests/IcalTestSupport.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <stdexcept>

namespace agendix::scan::testing {
namespace {

class FixedClock : public Clock {
  public:
    explicit FixedClock(CalendarDate date) : date_(date) {}
    LocalDateTime Now() const override { return {date_, 12, 0, 0}; }

  private:
    CalendarDate date_;
};

class RecordingTray : public BalloonTray {
  public:
    explicit RecordingTray(Balloon& balloon) : balloon_(balloon) {}
    void SetTrayToolTipTitle(const std::string& title) override { balloon_.title = title; }
    void SetTrayToolTip(const std::string& text) override {
        balloon_.text.clear();
        for (const char c : text.substr(0, text.find('\0'))) {
            if (c != '\r') {
                balloon_.text += c;
            }
        }
    }
    void Show(bool) override {}

  private:
    Balloon& balloon_;
};

}  // namespace

std::filesystem::path TestData(const std::string& name) {
    return std::filesystem::path(AGENDIX_ICAL_TEST_DATA) / name;
}

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    if (const char* value = std::getenv("TZ")) {
        previous_ = value;
    }
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (previous_) {
        setenv("TZ", previous_->c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

Agenda::Agenda(const std::filesystem::path& path, bool missingIsEmpty)
    : calendar_(MakeIcalCalendar({path, missingIsEmpty})) {}

Agenda::Agenda(std::unique_ptr<CalendarApplicationFactory> calendar)
    : calendar_(std::move(calendar)) {}

Balloon Agenda::Scan(const CalendarDate& date, bool tomorrow) {
    const FixedClock clock(date);
    RecordingTray tray(balloon_);
    NoMessagePump pump;
    AppointmentScan scan(*calendar_, clock, tray, pump);
    scan.doIt(tomorrow ? 1 : 0);
    readProblems_ = scan.ReadProblems();
    return balloon_;
}

TemporaryCalendar::TemporaryCalendar() {
    std::string pattern = (std::filesystem::temp_directory_path() / "agendix-ical-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    folder_ = pattern;
}

TemporaryCalendar::~TemporaryCalendar() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void TemporaryCalendar::Write(const std::string& text) const {
    Write(File().filename(), text);
}

void TemporaryCalendar::Write(const std::string& name, const std::string& text) const {
    std::ofstream(folder_ / name, std::ios::binary | std::ios::trunc) << text;
}

std::string Calendar(const std::string& events) {
    std::string text =
        "BEGIN:VCALENDAR\nVERSION:2.0\nPRODID:-//Agendix tests//EN\n" + events + "END:VCALENDAR\n";
    std::string crlf;
    for (const char c : text) {
        if (c == '\n') {
            crlf += '\r';
        }
        crlf += c;
    }
    return crlf;
}

}  // namespace agendix::scan::testing
