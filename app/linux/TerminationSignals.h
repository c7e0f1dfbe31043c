#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

namespace agendix::app {

// Turns SIGTERM, SIGINT and SIGHUP into a call on the event loop, so that a program told to end
// (at log-out, or by kill) ends the way "Exit" ends it. One instance per process.
class TerminationSignals {
  public:
    explicit TerminationSignals(std::function<void()> onSignal);
    ~TerminationSignals();

    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

  private:
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
    std::function<void()> onSignal_;
};

}  // namespace agendix::app
