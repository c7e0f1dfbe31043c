#include "agenda/linux/StatusFollower.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>

#include "agenda/core/StatusOutput.h"

namespace agendix::agenda {
namespace {

using namespace std::chrono;

// Until just after the next minute of the wall clock begins.
milliseconds UntilNextMinute() {
    const auto now = system_clock::now();
    return duration_cast<milliseconds>(floor<minutes>(now) + minutes(1) - now) + milliseconds(50);
}

bool OutputIsPipe() {
    struct stat output {};
    return fstat(STDOUT_FILENO, &output) == 0 && S_ISFIFO(output.st_mode);
}

}  // namespace

StatusFollower::StatusFollower(scan::StatusScan& scan, QObject* parent)
    : QObject(parent), scan_(scan) {
    minute_.setSingleShot(true);
    minute_.setTimerType(Qt::PreciseTimer);
    connect(&minute_, &QTimer::timeout, this, &StatusFollower::Refresh);
    // The write end of a pipe never has anything to read: it turns readable (POLLERR) only when
    // the last reader has closed its end.
    if (OutputIsPipe()) {
        readerGone_ = std::make_unique<QSocketNotifier>(STDOUT_FILENO, QSocketNotifier::Read);
        connect(readerGone_.get(), &QSocketNotifier::activated, this,
                [] { QCoreApplication::exit(0); });
    }
}

void StatusFollower::Refresh() {
    minute_.start(UntilNextMinute());
    const std::string line = StatusLine(scan_.Refresh());
    if (line == written_) {
        return;
    }
    if (!WriteOutput(line)) {
        QCoreApplication::exit(0);
        return;
    }
    written_ = line;
}

}  // namespace agendix::agenda
