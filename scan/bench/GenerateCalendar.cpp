// agendix-generate-calendar EVENTS FILE: writes a generated calendar for the benchmarks.
// agendix-generate-calendar --parse FILE: only parses FILE with libical, for comparison.

#include <libical/ical.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "CalendarGenerator.h"

namespace {

// The whole file, as libical's parser wants it.
std::string ReadFile(const std::filesystem::path& path) {
    std::string text(std::filesystem::file_size(path), '\0');
    std::ifstream(path, std::ios::binary)
        .read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: agendix-generate-calendar EVENTS FILE | --parse FILE\n";
        return 2;
    }
    if (std::string_view(argv[1]) == "--parse") {
        const std::string text = ReadFile(argv[2]);
        icalcomponent* calendar = icalparser_parse_string(text.c_str());
        const bool parsed = calendar != nullptr;
        icalcomponent_free(calendar);
        return parsed ? 0 : 1;
    }
    std::ofstream(argv[2], std::ios::binary)
        << agendix::scan::bench::GenerateCalendar(std::stoi(argv[1]));
    return 0;
}
