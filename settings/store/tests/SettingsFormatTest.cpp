#include <gtest/gtest.h>

#include <limits>

#include "settings/store/core/SettingsFormat.h"

namespace agendix::settings {
namespace {

TEST(Flag, IsSetOnlyByExactlyYes) {
    EXPECT_TRUE(IsFlagSet("yes"));
    for (const char* text : {"no", "", "Yes", "YES", " yes", "yes ", "yes\n", "y", "true", "1"}) {
        EXPECT_FALSE(IsFlagSet(text)) << '"' << text << '"';
    }
    EXPECT_EQ(FlagText(true), "yes");
    EXPECT_EQ(FlagText(false), "no");
}

TEST(CheckIntervalReading, TakesTheLeadingNumberRoundedHalfToEven) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"15", 15},
        {" 7", 7},
        {"\t 7", 7},
        {"12abc", 12},
        {"2.5", 2},
        {"3.5", 4},
        {"4.5", 4},
        {"5.5", 6},
        {"2.49", 2},
        {"2.51", 3},
        {"+8", 8},
        {"30", 30},
        {"45", 45},
        {"1.", 1},
        {"1.5e1", 15},
        {"1e1x", 10},
        {"2E+1", 20},
        {"6e", 6},
        {"6e+", 6},
        {"6e-", 6},
        {"7 5", 7},
        {"9,5", 9},
        {"08", 8},
        {"1.5", 2},
        {"0.51", 1},
        {"100e-1", 10},
        {"2147483647", 2147483647},
        {"2147483646.5", 2147483646},
    };
    for (const auto& [text, minutes] : cases) {
        EXPECT_EQ(ReadCheckInterval(text), minutes) << '"' << text << '"';
    }
}

TEST(CheckIntervalReading, GivesTwoWithoutAUsableNumber) {
    const char* const texts[] = {
        "0",
        "",
        "abc",
        " ",
        "-0",
        "0.5",
        ".5",
        "0.49",
        "+",
        "-",
        ".",
        "e5",
        ".e1",
        "inf",
        "nan",
        "0x10",
        "- 5",
        "yes",
        "-5",
        "-1.5",
        "1e-9",
        "1e-999",
        // Beyond 32 bits (or a double) is no usable interval either.
        "2147483648",
        "2147483647.5",
        "99999999999999999999",
        "1e999",
        "-2147483649",
    };
    for (const char* text : texts) {
        EXPECT_EQ(ReadCheckInterval(text), 2) << '"' << text << '"';
    }
    EXPECT_EQ(ReadCheckInterval(std::string(400, '9')), 2);
}

TEST(CheckIntervalWriting, IsPlainDecimalText) {
    EXPECT_EQ(WriteCheckInterval(10), "10");
    EXPECT_EQ(WriteCheckInterval(0), "0");
    EXPECT_EQ(WriteCheckInterval(-7), "-7");
    EXPECT_EQ(WriteCheckInterval(std::numeric_limits<std::int32_t>::max()), "2147483647");
    EXPECT_EQ(WriteCheckInterval(std::numeric_limits<std::int32_t>::min()), "-2147483648");
    for (std::int32_t minutes = 1; minutes <= 30; ++minutes) {
        EXPECT_EQ(ReadCheckInterval(WriteCheckInterval(minutes)), minutes);
    }
}

}  // namespace
}  // namespace agendix::settings
