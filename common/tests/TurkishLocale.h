#pragma once

#include <string>

namespace agendix::common::testing {

// Sets a Turkish locale for the character classes (LC_CTYPE), when one is installed, for its
// lifetime. In a Turkish locale the C library lowers 'I' to a dotless i, which ASCII keywords and
// file names must not follow.
class ScopedTurkishLocale {
  public:
    ScopedTurkishLocale();
    ~ScopedTurkishLocale();
    ScopedTurkishLocale(const ScopedTurkishLocale&) = delete;
    ScopedTurkishLocale& operator=(const ScopedTurkishLocale&) = delete;

    bool Active() const { return active_; }

  private:
    std::string previous_;
    bool active_ = false;
};

}  // namespace agendix::common::testing
