#include "common/core/CatchAtTop.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

namespace agendix::common::testing {
namespace {

// What a handler's top reported: the message, or "<unknown>" for a failure of no known kind.
struct Reports {
    std::vector<std::string> seen;
    auto Recorder() {
        return [this](const std::optional<std::string>& message) {
            seen.push_back(message.value_or("<unknown>"));
        };
    }
};

TEST(CatchAtTop, AHandlerThatEndsIsNotReported) {
    Reports reports;
    int runs = 0;
    EXPECT_TRUE(CatchAtTop([&] { ++runs; }, reports.Recorder()));
    EXPECT_EQ(runs, 1);
    EXPECT_TRUE(reports.seen.empty());
}

TEST(CatchAtTop, EveryEscapingFailureIsReportedOnceAndGoesNoFurther) {
    Reports reports;
    EXPECT_FALSE(CatchAtTop([] { throw std::runtime_error("disk full"); }, reports.Recorder()));
    EXPECT_FALSE(CatchAtTop([] { throw std::out_of_range(""); }, reports.Recorder()));
    EXPECT_FALSE(CatchAtTop([] { throw 42; }, reports.Recorder()));
    EXPECT_FALSE(CatchAtTop([] { throw "text"; }, reports.Recorder()));
    EXPECT_EQ(reports.seen, (std::vector<std::string>{"disk full", "", "<unknown>", "<unknown>"}));
}

TEST(CatchAtTop, AFailingReportReachesTheCallerWithNoExceptionLeftActive) {
    EXPECT_THROW(CatchAtTop([] { throw std::runtime_error("first"); },
                            [](const std::optional<std::string>&) {
                                EXPECT_EQ(std::current_exception(), nullptr);
                                throw std::logic_error("report failed");
                            }),
                 std::logic_error);
}

}  // namespace
}  // namespace agendix::common::testing
