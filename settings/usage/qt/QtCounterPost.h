#pragma once

#include <QString>

#include "settings/usage/core/UsageReport.h"

namespace agendix::settings {

// Sends the report's POST with Qt Network over plain HTTP and waits for its end in a local event
// loop, never longer than the time limit: an unanswered request is aborted then. Redirects are
// not followed, so one start makes exactly one request.
class QtCounterPost : public CounterPost {
  public:
    // `counterHost`: a host name or address, optionally followed by ":port".
    explicit QtCounterPost(QString counterHost);

    void Post(const std::string& pathAndQuery, std::chrono::milliseconds timeLimit) override;

  private:
    QString counterHost_;
};

}  // namespace agendix::settings
