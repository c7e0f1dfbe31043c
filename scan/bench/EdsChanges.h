#pragma once

// A second client of a calendar of the calendar service (Evolution Data Server) for the
// benchmark of the service source: it changes events through the service's API, as a calendar
// program would, and times the service's instance query. Free of GLib, so that code with Qt
// headers may include it. Its calls block: use it off the thread being measured.

#include <ctime>
#include <memory>
#include <string>

namespace agendix::scan {

class EdsChanges {
  public:
    // Connects to the calendar `sourceUid`; throws std::runtime_error when it cannot.
    explicit EdsChanges(const std::string& sourceUid);
    ~EdsChanges();
    EdsChanges(const EdsChanges&) = delete;
    EdsChanges& operator=(const EdsChanges&) = delete;

    // Adds or replaces the event `uid`: today from `hour`:00 for half an hour, as `summary`.
    void Put(const std::string& uid, const std::string& summary, int hour, bool exists);
    void Remove(const std::string& uid);

    // Milliseconds the service takes to expand the instances in [from, until), and how many.
    double QueryMilliseconds(std::time_t from, std::time_t until, int& instances);

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace agendix::scan
