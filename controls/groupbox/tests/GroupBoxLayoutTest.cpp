#include "controls/groupbox/core/GroupBoxLayout.h"

#include <gtest/gtest.h>

#include "controls/host/core/HostError.h"

namespace agendix::controls {
namespace {

TEST(ProcessCaption, AmpersandRules) {
    struct Case {
        std::u16string caption;
        std::u16string measured;
        std::optional<std::u16string> accessKey;
    };
    const Case cases[] = {
        {u"", u" ", std::nullopt},
        {u"Options", u"Options", std::nullopt},
        {u"Save && Exit", u"Save A Exit", std::nullopt},
        {u"E&xit", u"Exit", u"x"},
        {u"&a&b", u"a&b", u"a"},
        {u"Go&", u"Go", u""},
        {u"a&&&b", u"aAb", u"b"},
        {u"x&y&z&w", u"xyz&w", u"y"},
        {u"&\U0001F600", u"\U0001F600", u"\U0001F600"},
    };
    for (const Case& expected : cases) {
        const CaptionMeasure measure = ProcessCaption(expected.caption);
        EXPECT_EQ(measure.measuredText, expected.measured);
        EXPECT_EQ(measure.accessKey, expected.accessKey);
    }
}

TEST(ComputeGeometry, FrameTopAtHalfTheCaptionHeightAndCaptionBoxes) {
    EXPECT_EQ(ComputeGeometry(30, 13, 279, 153).frame, (Rect{0, 6, 279, 153}));
    EXPECT_EQ(ComputeGeometry(30, 15, 279, 153).frame.top, 8);
    EXPECT_EQ(ComputeGeometry(30, 16, 279, 153).frame.top, 8);
    EXPECT_EQ(ComputeGeometry(30, 16, 100.5, 40.5).frame, (Rect{0, 8, 100, 40}));

    const GroupBoxGeometry geometry = ComputeGeometry(40, 13, 200, 100);
    EXPECT_EQ(geometry.caption, (Rect{9, 0, 49, 13}));
    EXPECT_EQ(geometry.captionBackground, (Rect{7, 0, 50, 14}));
}

TEST(OutlineBands, PenWidthOneCoversTheCornersAndWidthTwoReachesUpAndLeft) {
    const auto thin = OutlineBands(0, 6, 99, 49, 1);
    EXPECT_EQ(thin[0], (Rect{0, 6, 100, 7}));
    EXPECT_EQ(thin[1], (Rect{0, 49, 100, 50}));
    EXPECT_EQ(thin[2], (Rect{0, 6, 1, 50}));
    EXPECT_EQ(thin[3], (Rect{99, 6, 100, 50}));

    const auto wide = OutlineBands(1, 7, 99, 49, 2);
    EXPECT_EQ(wide[0], (Rect{0, 6, 100, 8}));
    EXPECT_EQ(wide[3], (Rect{98, 6, 100, 50}));
}

TEST(Narrowing, ValuesOutsideTheWidthAreAnOverflow) {
    EXPECT_EQ(NarrowToInteger16(-32768, "Appearance"), -32768);
    EXPECT_EQ(NarrowToInteger16(32767, "Appearance"), 32767);
    try {
        NarrowToInteger16(70000, "Appearance");
        ADD_FAILURE() << "70000 accepted";
    } catch (const HostError& error) {
        EXPECT_EQ(error.number(), HostError::kOverflow);
        EXPECT_NE(std::string(error.what()).find("Appearance"), std::string::npos);
    }
    EXPECT_THROW(NarrowToInteger32(1LL << 31, "BorderStyle"), HostError);
    EXPECT_EQ(ToColorValue(-2147483633LL, "BackColor"), 0x8000000Fu);
    EXPECT_EQ(ToColorValue(0xFFFFFFFFLL, "BackColor"), 0xFFFFFFFFu);
    EXPECT_THROW(ToColorValue(1LL << 32, "BackColor"), HostError);
}

}  // namespace
}  // namespace agendix::controls
