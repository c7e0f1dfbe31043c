#pragma once

#include "scan/core/AppointmentScan.h"

namespace agendix::scan {

// The machine's local date and time, as Windows keeps it (the zone set in the system, read on
// every call).
class SystemClock : public Clock {
  public:
    LocalDateTime Now() const override;
};

}  // namespace agendix::scan
