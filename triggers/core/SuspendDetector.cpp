#include "triggers/core/SuspendDetector.h"

namespace agendix::triggers {

bool SuspendDetector::WokeUp(std::chrono::nanoseconds asleepSinceStart) {
    const bool slept = asleepSinceStart - previous_ > threshold_;
    previous_ = asleepSinceStart;
    return slept;
}

}  // namespace agendix::triggers
