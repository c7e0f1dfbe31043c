#pragma once

#include <chrono>

namespace agendix::triggers {

// Tells a wake-up from sleep by the time the machine has spent asleep since it started
// (CLOCK_BOOTTIME - CLOCK_MONOTONIC), which grows only while it sleeps.
class SuspendDetector {
  public:
    // Growth by more than `threshold` between two samples counts as a sleep; `asleepSinceStart`
    // is the first sample.
    SuspendDetector(std::chrono::nanoseconds threshold, std::chrono::nanoseconds asleepSinceStart)
        : threshold_(threshold), previous_(asleepSinceStart) {}

    // Takes a sample; true when the machine slept since the previous one.
    bool WokeUp(std::chrono::nanoseconds asleepSinceStart);

  private:
    std::chrono::nanoseconds threshold_;
    std::chrono::nanoseconds previous_;
};

}  // namespace agendix::triggers
