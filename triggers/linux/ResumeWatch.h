#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QTimer>

#include "triggers/core/SuspendDetector.h"

namespace agendix::triggers {

// Tells the program to scan when the machine wakes from sleep: Changed("the computer woke from
// sleep"). Listens to logind's PrepareForSleep on the system bus handed in. Where logind is not
// on that bus (or there is no bus), it samples once a minute how long the machine has slept
// since it started, and a growth of more than a few seconds counts as a wake-up.
class ResumeWatch : public QObject {
    Q_OBJECT

  public:
    explicit ResumeWatch(QDBusConnection systemBus, QObject* parent = nullptr);

  signals:
    void Changed(const QString& why);

  private slots:
    void PrepareForSleep(bool sleeping);

  private:
    bool ListenToLogind(QDBusConnection& systemBus);
    void SampleSleep();

    SuspendDetector detector_;
    QTimer sampler_;  // only without logind
};

}  // namespace agendix::triggers
