#include "triggers/linux/DayWatch.h"

#include <sys/timerfd.h>

#include <QDebug>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace agendix::triggers {

using namespace std::chrono;

namespace {

std::vector<WatchTarget> ZoneTargets(const std::filesystem::path& zoneFolder) {
    return {WatchTarget::File(zoneFolder / "localtime"),
            WatchTarget::File(zoneFolder / "timezone")};
}

}  // namespace

DayWatch::DayWatch(NextMoment nextMoment, const std::filesystem::path& zoneFolder, QObject* parent)
    : QObject(parent),
      nextMoment_(std::move(nextMoment)),
      timer_(timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC)),
      zoneWatch_([zoneFolder] { return ZoneTargets(zoneFolder); },
                 QStringLiteral("the time zone changed")) {
    // A new zone moves the local midnight: the timer is armed anew before the scan is asked for.
    connect(&zoneWatch_, &FolderWatch::Changed, this, [this](const QString& why) {
        Arm();
        emit Changed(why);
    });
    if (!timer_) {
        qWarning("cannot watch for the next day: %s", std::strerror(errno));
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(timer_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &DayWatch::Expired);
    Arm();
}

// TFD_TIMER_CANCEL_ON_SET: a change of the system clock ends the wait at once with ECANCELED.
void DayWatch::Arm() {
    if (!timer_) {
        return;
    }
    itimerspec when{};
    const sys_seconds now = floor<seconds>(system_clock::now());
    when.it_value.tv_sec = nextMoment_(now).time_since_epoch().count();
    if (timerfd_settime(timer_.get(), TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &when,
                        nullptr) != 0) {
        qWarning("cannot set the timer for the next day: %s", std::strerror(errno));
    }
}

void DayWatch::Expired() {
    std::uint64_t expirations = 0;
    const ssize_t count = read(timer_.get(), &expirations, sizeof expirations);
    const bool clockSet = count < 0 && errno == ECANCELED;
    if (count < 0 && !clockSet) {
        return;  // EAGAIN: nothing to read after all
    }
    Arm();
    emit Changed(clockSet ? QStringLiteral("the clock was set")
                          : QStringLiteral("a new day began"));
}

}  // namespace agendix::triggers
