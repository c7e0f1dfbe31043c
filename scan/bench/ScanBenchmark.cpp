// One appointment scan (today and tomorrow) over generated calendars, cold (a new calendar
// object, so nothing is cached) and warm (a rescan of the unchanged file), beside libical
// parsing the same file whole.

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "AppointmentScan.h"
#include "CalendarGenerator.h"
#include "FakeCalendar.h"
#include "IcalCalendar.h"

namespace {

using namespace agendix::scan;
namespace fs = std::filesystem;

const fs::path& CalendarFile(int events) {
    static std::map<int, fs::path> files;
    auto& path = files[events];
    if (path.empty()) {
        path = fs::temp_directory_path() / ("agendix-bench-" + std::to_string(events) + ".ics");
        std::ofstream(path, std::ios::binary) << bench::GenerateCalendar(events);
    }
    return path;
}

// The whole file, as libical's parser wants it.
std::string ReadFile(const std::filesystem::path& path) {
    std::string text(std::filesystem::file_size(path), '\0');
    std::ifstream(path, std::ios::binary)
        .read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

void Scan(CalendarApplicationFactory& calendar) {
    testing::FixedClock clock;
    testing::RecordingTray tray;
    testing::CountingPump pump;
    AppointmentScan scan(calendar, clock, tray, pump);
    scan.doIt(1);
}

void BM_LibicalParse(benchmark::State& state) {
    const fs::path& path = CalendarFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const std::string text = ReadFile(path);
        icalcomponent* calendar = icalparser_parse_string(text.c_str());
        benchmark::DoNotOptimize(calendar);
        icalcomponent_free(calendar);
    }
}

void BM_ColdScan(benchmark::State& state) {
    const fs::path& path = CalendarFile(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const auto calendar = ical::MakeIcalCalendar({path, false});
        Scan(*calendar);
    }
}

void BM_Rescan(benchmark::State& state) {
    const auto calendar =
        ical::MakeIcalCalendar({CalendarFile(static_cast<int>(state.range(0))), false});
    Scan(*calendar);
    for (auto _ : state) {
        Scan(*calendar);
    }
}

BENCHMARK(BM_LibicalParse)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdScan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rescan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
