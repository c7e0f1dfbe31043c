#include "triggers/linux/ResumeWatch.h"

#include <QDBusConnectionInterface>
#include <chrono>
#include <ctime>

namespace agendix::triggers {

using namespace std::chrono;

namespace {

const QString kLogind = QStringLiteral("org.freedesktop.login1");

nanoseconds ClockTime(clockid_t clock) {
    timespec time{};
    clock_gettime(clock, &time);
    return seconds(time.tv_sec) + nanoseconds(time.tv_nsec);
}

// CLOCK_BOOTTIME counts the time asleep, CLOCK_MONOTONIC does not.
nanoseconds AsleepSinceStart() {
    return ClockTime(CLOCK_BOOTTIME) - ClockTime(CLOCK_MONOTONIC);
}

const QString kWokeUp = QStringLiteral("the computer woke from sleep");

}  // namespace

ResumeWatch::ResumeWatch(QDBusConnection systemBus, QObject* parent)
    : QObject(parent), detector_(seconds(5), AsleepSinceStart()) {
    if (ListenToLogind(systemBus)) {
        return;
    }
    sampler_.setInterval(minutes(1));
    sampler_.setTimerType(Qt::VeryCoarseTimer);
    connect(&sampler_, &QTimer::timeout, this, &ResumeWatch::SampleSleep);
    sampler_.start();
}

// Only logind's own signals count: the match names it as the sender.
bool ResumeWatch::ListenToLogind(QDBusConnection& systemBus) {
    const QDBusConnectionInterface* bus = systemBus.isConnected() ? systemBus.interface() : nullptr;
    return bus && bus->isServiceRegistered(kLogind).value() &&
           systemBus.connect(kLogind, QStringLiteral("/org/freedesktop/login1"),
                             QStringLiteral("org.freedesktop.login1.Manager"),
                             QStringLiteral("PrepareForSleep"), this, SLOT(PrepareForSleep(bool)));
}

void ResumeWatch::PrepareForSleep(bool sleeping) {
    if (!sleeping) {
        emit Changed(kWokeUp);
    }
}

void ResumeWatch::SampleSleep() {
    if (detector_.WokeUp(AsleepSinceStart())) {
        emit Changed(kWokeUp);
    }
}

}  // namespace agendix::triggers
