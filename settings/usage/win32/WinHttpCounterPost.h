#pragma once

#include <string>

#include "settings/usage/core/UsageReport.h"

namespace agendix::settings {

// Sends the report's POST with WinHTTP over plain HTTP (asynchronously, WinHTTP's own threads
// doing the work) and waits until the answer's headers come or the request fails, never longer
// than the time limit: then the request is closed, whatever step it is at. Redirects are not
// followed, so one start makes exactly one request. WinHTTP's own proxy setting applies.
class WinHttpCounterPost : public CounterPost {
  public:
    // `counterHost`: a host name or address, optionally followed by ":port".
    explicit WinHttpCounterPost(std::wstring counterHost);

    void Post(const std::string& pathAndQuery, std::chrono::milliseconds timeLimit) override;

  private:
    std::wstring counterHost_;
};

}  // namespace agendix::settings
