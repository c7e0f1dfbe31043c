#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <memory>
#include <string>

#include "scan/core/StatusScan.h"

namespace agendix::agenda {

// Keeps a status bar up to date: refreshes at the start of every minute (countdowns, progress,
// the day's end; a scan of an unchanged calendar is cheap) and whenever Refresh is called, and
// writes the status when it differs from the one written last. Ends the event loop (status 0)
// when the standard output's reader has gone: the bar was closed or restarted.
class StatusFollower : public QObject {
  public:
    explicit StatusFollower(scan::StatusScan& scan, QObject* parent = nullptr);

    void Refresh();

  private:
    scan::StatusScan& scan_;
    QTimer minute_;
    std::string written_;
    std::unique_ptr<QSocketNotifier> readerGone_;
};

}  // namespace agendix::agenda
