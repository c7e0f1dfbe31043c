#include <gtest/gtest.h>

#include <vector>

#include "app/core/StartUp.h"

namespace agendix::app {
namespace {

struct RecordingSteps : StartUpSteps {
    std::vector<std::string> calls;

    void InitCommonControls() override { calls.push_back("InitCommonControls"); }
    void SendUsageReport(const std::string& appName, const std::string& version) override {
        calls.push_back("SendUsageReport " + appName + " " + version);
    }
    void ShowMainWindow() override { calls.push_back("ShowMainWindow"); }
};

common::ApplicationInfo Agendix(bool prevInstance) {
    return {prevInstance, "agendix", "/usr/bin", "Agendix", 1, 0, 13};
}

TEST(StartUpTest, RunsTheStepsInOrderAndReportsMajorDotMinor) {
    RecordingSteps steps;
    EXPECT_TRUE(Main(Agendix(false), steps));
    EXPECT_EQ(steps.calls,
              (std::vector<std::string>{"InitCommonControls", "SendUsageReport agendix 1.0",
                                        "ShowMainWindow"}));
}

TEST(StartUpTest, ASecondInstanceEndsWithoutDoingAnything) {
    RecordingSteps steps;
    EXPECT_FALSE(Main(Agendix(true), steps));
    EXPECT_TRUE(steps.calls.empty());
}

TEST(StartUpTest, VersionTextHasNoLeadingZeros) {
    EXPECT_EQ(VersionText(1, 0), "1.0");
    EXPECT_EQ(VersionText(2, 15), "2.15");
    EXPECT_EQ(VersionText(10, 1), "10.1");
}

}  // namespace
}  // namespace agendix::app
