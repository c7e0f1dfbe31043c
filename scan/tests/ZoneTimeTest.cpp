#include "scan/linux/ZoneTime.h"

#include <libical/ical.h>

#include <gtest/gtest.h>

namespace agendix::scan {
namespace {

TEST(ZoneTime, WallSecondsRoundTripBeforeAndAfterTheEpoch) {
    for (const LocalDateTime moment :
         {LocalDateTime{{1969, 12, 31}, 23, 59, 59}, LocalDateTime{{1900, 2, 28}, 0, 0, 1},
          LocalDateTime{{2024, 2, 29}, 12, 30, 0}}) {
        EXPECT_EQ(FromWallSeconds(ToWallSeconds(moment)), moment);
    }
    EXPECT_EQ(ToWallSeconds({{1970, 1, 2}, 0, 0, 0}), kSecondsPerDay);
}

TEST(ZoneTime, GapTakesTheOffsetBeforeItAndOverlapTheFirstInstant) {
    const TimeZoneRef berlin{TimeZoneRef::Kind::Zoned,
                             icaltimezone_get_builtin_timezone("Europe/Berlin")};
    ASSERT_NE(berlin.zone, nullptr);
    const auto wall = [](int month, int day, int hour, int minute) {
        return ToWallSeconds({{2026, month, day}, hour, minute, 0});
    };
    const ZonedInstant gap = WallToUtc(wall(3, 29, 2, 30), berlin);
    EXPECT_TRUE(gap.nonexistent);
    EXPECT_EQ(gap.utc, wall(3, 29, 1, 30));

    const ZonedInstant overlap = WallToUtc(wall(10, 25, 2, 30), berlin);
    EXPECT_FALSE(overlap.nonexistent);
    EXPECT_EQ(overlap.utc, wall(10, 25, 0, 30));

    EXPECT_EQ(WallToUtc(wall(7, 1, 12, 0), berlin).utc, wall(7, 1, 10, 0));
    EXPECT_EQ(UtcToWall(wall(7, 1, 10, 0), berlin), wall(7, 1, 12, 0));
}

}  // namespace
}  // namespace agendix::scan
