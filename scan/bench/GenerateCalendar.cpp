// agendix-generate-calendar EVENTS FILE: writes a generated calendar for the benchmarks.
// agendix-generate-calendar --folder EVENTS FOLDER: writes the same events as a folder calendar,
// one file per event.
// agendix-generate-calendar --parse PATH: only parses the calendar file, or each file of the
// calendar folder, with libical, for comparison.

#include <libical/ical.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "scan/bench/CalendarGenerator.h"

namespace {

namespace fs = std::filesystem;

// The whole file, as libical's parser wants it.
std::string ReadFile(const fs::path& path) {
    std::string text(fs::file_size(path), '\0');
    std::ifstream(path, std::ios::binary)
        .read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

bool Parse(const fs::path& path) {
    const std::string text = ReadFile(path);
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    const bool parsed = calendar != nullptr;
    icalcomponent_free(calendar);
    return parsed;
}

bool ParseCalendar(const fs::path& path) {
    if (!fs::is_directory(path)) {
        return Parse(path);
    }
    bool parsed = true;
    for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
        parsed = Parse(entry.path()) && parsed;
    }
    return parsed;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view mode = argc > 1 ? argv[1] : "";
    if (argc == 3 && mode == "--parse") {
        return ParseCalendar(argv[2]) ? 0 : 1;
    }
    if (argc == 4 && mode == "--folder") {
        agendix::scan::WriteCalendarFolder(std::stoi(argv[2]), argv[3]);
        return 0;
    }
    if (argc == 3 && !mode.starts_with("--")) {
        std::ofstream(argv[2], std::ios::binary)
            << agendix::scan::GenerateCalendar(std::stoi(argv[1]));
        return 0;
    }
    std::cerr << "usage: agendix-generate-calendar EVENTS FILE | --folder EVENTS FOLDER | "
                 "--parse PATH\n";
    return 2;
}
