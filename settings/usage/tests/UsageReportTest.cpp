#include <gtest/gtest.h>

#include <stdexcept>

#include "settings/usage/core/UsageReport.h"

namespace agendix::settings {
namespace {

struct RecordingPost : CounterPost {
    std::vector<std::string> targets;
    std::chrono::milliseconds timeLimit{};
    bool fail = false;

    void Post(const std::string& pathAndQuery, std::chrono::milliseconds limit) override {
        targets.push_back(pathAndQuery);
        timeLimit = limit;
        if (fail) {
            throw std::runtime_error("connection refused");
        }
    }
};

TEST(UsageReportTest, SendsOnePostWithTheFixedPathKeyNameAndVersion) {
    RecordingPost http;
    SendUsageReport(http, "agendix", "1.0");
    EXPECT_EQ(http.targets,
              std::vector<std::string>{"/counts/count.asp?key=471&app=agendix&version=1.0"});
    EXPECT_EQ(http.timeLimit, kUsageReportTimeLimit);
    EXPECT_LE(kUsageReportTimeLimit, std::chrono::seconds(5));
}

TEST(UsageReportTest, ValuesThatWouldBreakOrExtendTheQueryArePercentEncoded) {
    EXPECT_EQ(UsageReportPathAndQuery("my app", "1.0"),
              "/counts/count.asp?key=471&app=my%20app&version=1.0");
    EXPECT_EQ(UsageReportPathAndQuery("a&key=1#x", "2+3/4?"),
              "/counts/count.asp?key=471&app=a%26key%3D1%23x&version=2%2B3%2F4%3F");
    EXPECT_EQ(PercentEncoded("Az09-._~"), "Az09-._~");
    EXPECT_EQ(PercentEncoded("\xC3\xA9%"), "%C3%A9%25");
    EXPECT_EQ(PercentEncoded(std::string_view("\0\x7f", 2)), "%00%7F");
}

TEST(UsageReportTest, AFailingRequestNeverReachesTheCaller) {
    RecordingPost http;
    http.fail = true;
    EXPECT_NO_THROW(SendUsageReport(http, "agendix", "1.0"));
    EXPECT_EQ(http.targets.size(), 1U);
}

}  // namespace
}  // namespace agendix::settings
