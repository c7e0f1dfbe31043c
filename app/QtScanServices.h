#pragma once

#include "AppointmentScan.h"

namespace agendix::app {

// The machine's local date and time.
class SystemClock : public scan::Clock {
  public:
    scan::LocalDateTime Now() const override;
};

// Lets Qt handle the events that are pending, once.
class EventLoopPump : public scan::MessagePump {
  public:
    void ProcessPendingMessages() override;
};

}  // namespace agendix::app
