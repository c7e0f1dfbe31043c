#include "scan/bench/CalendarGenerator.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>

namespace agendix::scan {
namespace {

constexpr const char* kRules[] = {"FREQ=DAILY",
                                  "FREQ=WEEKLY;BYDAY=MO,WE,FR",
                                  "FREQ=WEEKLY;INTERVAL=2;BYDAY=TU",
                                  "FREQ=MONTHLY;BYDAY=-1FR",
                                  "FREQ=YEARLY",
                                  "FREQ=DAILY;UNTIL=20300101T000000Z"};
constexpr const char* kZones[] = {";TZID=Europe/Berlin", ";TZID=America/New_York", "", "Z"};

constexpr const char kHeader[] =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Agendix bench//EN\r\n";
constexpr const char kFooter[] = "END:VCALENDAR\r\n";

}  // namespace

std::vector<std::string> GenerateEvents(int events) {
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> year(2016, 2036), month(1, 12), day(1, 28), hour(7, 19),
        pick(0, 99);
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(std::max(events, 0)));
    char buffer[1024];
    for (int i = 0; i < events; ++i) {
        const bool recurring = pick(random) < 10;
        const int y = recurring ? 1995 + pick(random) % 25 : year(random);
        const char* zone = kZones[pick(random) % 4];
        const bool utc = zone[0] == 'Z';
        const int h = hour(random);
        const int d = day(random);
        const int m = month(random);
        const int written = std::snprintf(
            buffer, sizeof buffer,
            "BEGIN:VEVENT\r\nUID:event-%d@bench.agendix\r\nDTSTAMP:20260101T000000Z\r\n"
            "DTSTART%s:%04d%02d%02dT%02d0000%s\r\nDTEND%s:%04d%02d%02dT%02d4500%s\r\n"
            "%s%s%sSUMMARY:Appointment number %d with a subject of some length\r\n"
            "LOCATION:Meeting room %d\\, second floor\r\n"
            "DESCRIPTION:A description that is long enough to be folded once by a caref\r\n"
            " ul writer of calendar files\\, as real ones are.\r\nEND:VEVENT\r\n",
            i, utc ? "" : zone, y, m, d, h, utc ? "Z" : "", utc ? "" : zone, y, m, d, h,
            utc ? "Z" : "", recurring ? "RRULE:" : "", recurring ? kRules[i % 6] : "",
            recurring ? "\r\n" : "", i, i % 40);
        texts.emplace_back(buffer, static_cast<std::size_t>(written));
    }
    return texts;
}

std::string GenerateCalendar(int events) {
    std::string text = kHeader;
    for (const std::string& event : GenerateEvents(events)) {
        text += event;
    }
    return text + kFooter;
}

void WriteCalendarFolder(int events, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    const std::vector<std::string> texts = GenerateEvents(events);
    char name[32];
    for (std::size_t i = 0; i < texts.size(); ++i) {
        std::snprintf(name, sizeof name, "event-%06zu.ics", i);
        std::ofstream(folder / name, std::ios::binary) << kHeader << texts[i] << kFooter;
    }
}

}  // namespace agendix::scan
