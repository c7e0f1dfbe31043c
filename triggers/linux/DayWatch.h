#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "triggers/linux/FolderWatch.h"
#include "triggers/linux/UniqueFd.h"

namespace agendix::triggers {

// Tells the program to scan when today's date may have changed: at the start of the next local
// day ("a new day began"), when the system clock is set ("the clock was set") and when the
// machine's time zone changes ("the time zone changed"). The wake-up is a wall-clock timer
// (timerfd on CLOCK_REALTIME), so it comes at the right wall time even after a suspend; it is
// armed again after each of the three.
class DayWatch : public QObject {
    Q_OBJECT

  public:
    // The moment to wake up at, after `now`: NextLocalDayStart.
    using NextMoment = std::function<std::chrono::sys_seconds(std::chrono::sys_seconds now)>;

    // `zoneFolder` holds the machine's zone as `localtime` and `timezone`: /etc.
    DayWatch(NextMoment nextMoment, const std::filesystem::path& zoneFolder,
             QObject* parent = nullptr);

  signals:
    void Changed(const QString& why);

  private:
    void Arm();
    void Expired();

    NextMoment nextMoment_;
    UniqueFd timer_;
    std::unique_ptr<QSocketNotifier> notifier_;
    FolderWatch zoneWatch_;
};

}  // namespace agendix::triggers
