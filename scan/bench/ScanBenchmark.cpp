// One appointment scan (today and tomorrow) over generated calendars, one file or a folder of
// one file per event, cold (a new calendar object, so nothing is cached) and warm (a rescan of
// the unchanged calendar, and of a folder with one file rewritten), beside libical parsing the
// same files whole.

#include <benchmark/benchmark.h>
#include <libical/ical.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "scan/bench/CalendarGenerator.h"
#include "scan/core/AppointmentScan.h"
#include "scan/linux/IcalCalendar.h"
#include "scan/tests/FakeCalendar.h"

namespace {

using namespace agendix::scan;
namespace fs = std::filesystem;

const fs::path& CalendarFile(int events) {
    static std::map<int, fs::path> files;
    auto& path = files[events];
    if (path.empty()) {
        path = fs::temp_directory_path() / ("agendix-bench-" + std::to_string(events) + ".ics");
        std::ofstream(path, std::ios::binary) << GenerateCalendar(events);
    }
    return path;
}

const fs::path& CalendarFolder(int events) {
    static std::map<int, fs::path> folders;
    auto& path = folders[events];
    if (path.empty()) {
        path = fs::temp_directory_path() / ("agendix-bench-folder-" + std::to_string(events));
        fs::remove_all(path);
        WriteCalendarFolder(events, path);
    }
    return path;
}

// The whole file, as libical's parser wants it.
std::string ReadFile(const fs::path& path) {
    std::string text(fs::file_size(path), '\0');
    std::ifstream(path, std::ios::binary)
        .read(text.data(), static_cast<std::streamsize>(text.size()));
    return text;
}

void Parse(const fs::path& path) {
    const std::string text = ReadFile(path);
    icalcomponent* calendar = icalparser_parse_string(text.c_str());
    benchmark::DoNotOptimize(calendar);
    icalcomponent_free(calendar);
}

void Scan(CalendarApplicationFactory& calendar) {
    testing::FixedClock clock;
    testing::RecordingTray tray;
    testing::CountingPump pump;
    AppointmentScan scan(calendar, clock, tray, pump);
    scan.doIt(1);
}

int Events(const benchmark::State& state) {
    return static_cast<int>(state.range(0));
}

void BM_LibicalParse(benchmark::State& state) {
    const fs::path& path = CalendarFile(Events(state));
    for (auto _ : state) {
        Parse(path);
    }
}

void BM_ColdScan(benchmark::State& state) {
    const fs::path& path = CalendarFile(Events(state));
    for (auto _ : state) {
        const auto calendar = MakeIcalCalendar({path, false});
        Scan(*calendar);
    }
}

void BM_Rescan(benchmark::State& state) {
    const auto calendar = MakeIcalCalendar({CalendarFile(Events(state)), false});
    Scan(*calendar);
    for (auto _ : state) {
        Scan(*calendar);
    }
}

void BM_LibicalParseFolder(benchmark::State& state) {
    const fs::path& folder = CalendarFolder(Events(state));
    for (auto _ : state) {
        for (const fs::directory_entry& file : fs::directory_iterator(folder)) {
            Parse(file.path());
        }
    }
}

void BM_ColdScanFolder(benchmark::State& state) {
    const fs::path& folder = CalendarFolder(Events(state));
    for (auto _ : state) {
        const auto calendar = MakeIcalCalendar({folder, false});
        Scan(*calendar);
    }
}

void BM_RescanFolder(benchmark::State& state) {
    const auto calendar = MakeIcalCalendar({CalendarFolder(Events(state)), false});
    Scan(*calendar);
    for (auto _ : state) {
        Scan(*calendar);
    }
}

// Each rescan follows a rewrite of one file of the folder with the same contents.
void BM_RescanFolderOneChanged(benchmark::State& state) {
    const fs::path& folder = CalendarFolder(Events(state));
    const fs::path changed = *fs::directory_iterator(folder);
    const std::string text = ReadFile(changed);
    const auto calendar = MakeIcalCalendar({folder, false});
    Scan(*calendar);
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(changed, std::ios::binary | std::ios::trunc) << text;
        state.ResumeTiming();
        Scan(*calendar);
    }
}

BENCHMARK(BM_LibicalParse)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdScan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Rescan)->Arg(1000)->Arg(10000)->Arg(50000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibicalParseFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColdScanFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescanFolder)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RescanFolderOneChanged)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
