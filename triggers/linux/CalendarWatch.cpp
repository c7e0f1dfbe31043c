#include "triggers/linux/CalendarWatch.h"

namespace agendix::triggers {
namespace fs = std::filesystem;

namespace {

WatchTarget CalendarTarget(const fs::path& calendar) {
    std::error_code error;
    return fs::is_directory(calendar, error) ? WatchTarget::CalendarFolder(calendar)
                                             : WatchTarget::File(calendar);
}

}  // namespace

std::vector<WatchTarget> CalendarTargets(const fs::path& calendar) {
    std::error_code error;
    const fs::path named = fs::absolute(calendar.lexically_normal(), error);
    std::vector<WatchTarget> targets{CalendarTarget(named)};
    const fs::path linked = fs::canonical(named, error);
    if (!error && CalendarTarget(linked) != targets.back()) {
        targets.push_back(CalendarTarget(linked));
    }
    return targets;
}

std::vector<WatchTarget> DefaultCalendarTargets(const common::EnvironmentLookup& environment) {
    std::vector<WatchTarget> targets;
    try {
        targets.push_back(WatchTarget::File(scan::CalendarProfilePath(environment)));
        // Every calendar that is a file or folder on this machine (for the calendar service, the
        // file whose making would choose another calendar); calendars on the network tell their
        // changes themselves.
        for (const scan::CalendarLocation& location : scan::DefaultCalendarLocations(environment)) {
            if (location.remote || location.path.empty()) {
                continue;
            }
            const auto calendar = CalendarTargets(location.path);
            targets.insert(targets.end(), calendar.begin(), calendar.end());
        }
    } catch (const scan::CalendarError&) {
        // The scan reports the profile; its watch sees it mended.
    }
    return targets;
}

CalendarWatch::CalendarWatch(common::EnvironmentLookup environment, QObject* parent)
    : FolderWatch(
          [environment = std::move(environment)] { return DefaultCalendarTargets(environment); },
          QStringLiteral("the calendar changed"), parent) {}

}  // namespace agendix::triggers
