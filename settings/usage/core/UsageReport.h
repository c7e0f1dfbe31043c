#pragma once

// The usage report sent once per start: one HTTP POST with an empty body to the counter host,
// path and query "/counts/count.asp?key=471&app=NAME&version=VERSION". The report never fails
// for its caller and never holds the start up for longer than kUsageReportTimeLimit.

#include <chrono>
#include <string>
#include <string_view>

namespace agendix::settings {

// The whole exchange (connecting, sending, waiting for the answer) ends after this long, so an
// endpoint that accepts the connection and never answers cannot keep the program from starting.
inline constexpr std::chrono::milliseconds kUsageReportTimeLimit{3000};

// The HTTP client behind the report.
class CounterPost {
  public:
    virtual ~CounterPost() = default;

    // Sends one POST with an empty body to `pathAndQuery` on the counter host and returns when
    // the exchange has ended, has failed or has run for `timeLimit`. The answer is not read.
    virtual void Post(const std::string& pathAndQuery, std::chrono::milliseconds timeLimit) = 0;
};

// `text` with every byte outside the URL's unreserved characters (letters, digits, "-", ".",
// "_", "~") written as "%XX", so a value cannot break the query or add keys to it.
std::string PercentEncoded(std::string_view text);

// "/counts/count.asp?key=471&app=" NAME "&version=" VERSION, both values percent-encoded.
std::string UsageReportPathAndQuery(std::string_view appName, std::string_view version);

// Reports one start of `appName` at `version`. Every failure is absorbed: the caller goes on.
void SendUsageReport(CounterPost& http, std::string_view appName, std::string_view version);

}  // namespace agendix::settings
