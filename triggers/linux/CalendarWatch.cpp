#include "CalendarWatch.h"

namespace agendix::triggers {
namespace fs = std::filesystem;

namespace {

// $XDG_CONFIG_HOME/agendix/calendar.conf, or under ~/.config; the same rule as the scan's.
std::optional<fs::path> CalendarProfile(const scan::ical::EnvironmentLookup& environment) {
    for (const auto& [variable, below] : {std::pair{"XDG_CONFIG_HOME", ""}, {"HOME", ".config"}}) {
        const auto value = environment(variable);
        if (value && fs::path(*value).is_absolute()) {
            return fs::path(*value) / below / "agendix" / "calendar.conf";
        }
    }
    return std::nullopt;
}

WatchTarget CalendarTarget(const fs::path& calendar) {
    std::error_code error;
    return fs::is_directory(calendar, error) ? WatchTarget::CalendarFolder(calendar)
                                             : WatchTarget::File(calendar);
}

}  // namespace

std::vector<WatchTarget> DefaultCalendarTargets(const scan::ical::EnvironmentLookup& environment) {
    std::vector<WatchTarget> targets;
    if (const auto profile = CalendarProfile(environment)) {
        targets.push_back(WatchTarget::File(*profile));
    }
    try {
        std::error_code error;
        const fs::path named = fs::absolute(
            scan::ical::DefaultCalendarLocation(environment).path.lexically_normal(), error);
        targets.push_back(CalendarTarget(named));
        const fs::path linked = fs::canonical(named, error);
        if (!error && CalendarTarget(linked) != targets.back()) {
            targets.push_back(CalendarTarget(linked));
        }
    } catch (const scan::CalendarError&) {
        // The scan reports the profile; its watch sees it mended.
    }
    return targets;
}

CalendarWatch::CalendarWatch(scan::ical::EnvironmentLookup environment, QObject* parent)
    : FolderWatch(
          [environment = std::move(environment)] { return DefaultCalendarTargets(environment); },
          QStringLiteral("the calendar changed"), parent) {}

}  // namespace agendix::triggers
