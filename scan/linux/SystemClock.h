#pragma once

#include "scan/core/AppointmentScan.h"

namespace agendix::scan {

// The machine's local date and time (TZ honoured), from the POSIX C library.
class SystemClock : public Clock {
  public:
    LocalDateTime Now() const override;
};

}  // namespace agendix::scan
