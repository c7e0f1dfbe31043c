#pragma once

#include "AppointmentScan.h"

namespace agendix::app {

// The machine's local date and time.
class SystemClock : public scan::Clock {
  public:
    scan::LocalDateTime Now() const override;
};

}  // namespace agendix::app
