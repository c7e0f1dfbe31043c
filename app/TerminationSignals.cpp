#include "TerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <stdexcept>

namespace agendix::app {
namespace {

// The write end of the socket pair, for the signal handler; only async-signal-safe calls there.
int signalWriteFd = -1;

extern "C" void WriteSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(signalWriteFd, &byte, 1);
}

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal)
    : onSignal_(std::move(onSignal)) {
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds_) != 0) {
        throw std::runtime_error("cannot watch for termination signals");
    }
    signalWriteFd = fds_[0];
    notifier_ = std::make_unique<QSocketNotifier>(fds_[1], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char byte = 0;
        [[maybe_unused]] const auto got = read(fds_[1], &byte, 1);
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = WriteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
}

TerminationSignals::~TerminationSignals() {
    for (const int signal : kSignals) {
        std::signal(signal, SIG_DFL);
    }
    signalWriteFd = -1;
    close(fds_[0]);
    close(fds_[1]);
}

}  // namespace agendix::app
