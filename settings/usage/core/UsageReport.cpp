#include "settings/usage/core/UsageReport.h"

namespace agendix::settings {
namespace {

constexpr std::string_view kCounterPath = "/counts/count.asp";
constexpr std::string_view kCounterKey = "471";

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

}  // namespace

std::string PercentEncoded(std::string_view text) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (IsUnreserved(byte)) {
            encoded += ch;
        } else {
            encoded += '%';
            encoded += kHexDigits[byte >> 4];
            encoded += kHexDigits[byte & 0x0F];
        }
    }
    return encoded;
}

std::string UsageReportPathAndQuery(std::string_view appName, std::string_view version) {
    std::string target(kCounterPath);
    target += "?key=";
    target += kCounterKey;
    target += "&app=";
    target += PercentEncoded(appName);
    target += "&version=";
    target += PercentEncoded(version);
    return target;
}

void SendUsageReport(CounterPost& http, std::string_view appName, std::string_view version) {
    try {
        http.Post(UsageReportPathAndQuery(appName, version), kUsageReportTimeLimit);
    } catch (...) {
        // The report is a courtesy: no failure of it may stop or disturb the start.
    }
}

}  // namespace agendix::settings
