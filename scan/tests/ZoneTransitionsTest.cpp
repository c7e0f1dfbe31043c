#include "scan/linux/ZoneTransitions.h"

#include <libical/ical.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "scan/linux/ZoneTime.h"

namespace agendix::scan {
namespace {

std::filesystem::path ZoneFile(const char* location) {
    return std::filesystem::path(icaltzutil_get_zone_directory()) / location;
}

// The offsets read from the zone file give the same times as libical's expansion of the zone,
// across the gaps and overlaps of eighty-five years of daylight-saving changes. (Zones whose
// rules libical approximates, such as Brazil's of the carnival years, differ where libical errs.)
TEST(ZoneTimeDatabase, ConvertLikeLibicalsOwnZone) {
    for (const char* location :
         {"Europe/Berlin", "America/New_York", "Australia/Lord_Howe", "Asia/Tokyo"}) {
        SCOPED_TRACE(location);
        const auto transitions = ZoneTransitions::Load(ZoneFile(location));
        ASSERT_NE(transitions, nullptr);
        const TimeZoneRef libical{TimeZoneRef::Kind::Zoned,
                                  icaltimezone_get_builtin_timezone(location)};
        TimeZoneRef fast = libical;
        fast.transitions = transitions.get();
        const WallSeconds first = ToWallSeconds({{1960, 1, 1}, 0, 0, 0});
        const WallSeconds last = ToWallSeconds({{2045, 1, 1}, 0, 0, 0});
        for (WallSeconds day = first; day < last; day += kSecondsPerDay) {
            for (const int halfHours : {1, 3, 5, 7, 45}) {
                const WallSeconds wall = day + halfHours * 1800;
                const ZonedInstant expected = WallToUtc(wall, libical);
                const ZonedInstant actual = WallToUtc(wall, fast);
                ASSERT_EQ(actual.utc, expected.utc) << FormatHourMinute(FromWallSeconds(wall));
                ASSERT_EQ(actual.nonexistent, expected.nonexistent);
                ASSERT_EQ(UtcToWall(wall, fast), UtcToWall(wall, libical));
            }
        }
    }
}

TEST(ZoneTimeDatabase, RefusesWhatIsNoUsableZoneFile) {
    EXPECT_EQ(ZoneTransitions::Parse(""), nullptr);
    EXPECT_EQ(ZoneTransitions::Parse("BEGIN:VCALENDAR\r\n"), nullptr);
    EXPECT_EQ(ZoneTransitions::Load(ZoneFile("No/Such_Zone")), nullptr);

    std::ifstream stream(ZoneFile("Europe/Berlin"), std::ios::binary);
    std::string berlin(1 << 16, '\0');
    stream.read(berlin.data(), static_cast<std::streamsize>(berlin.size()));
    berlin.resize(static_cast<std::size_t>(stream.gcount()));
    ASSERT_NE(ZoneTransitions::Parse(berlin), nullptr);
    EXPECT_EQ(ZoneTransitions::Parse(berlin.substr(0, berlin.size() / 2)), nullptr);
    std::string claimsTooMuch = berlin;
    claimsTooMuch.replace(32, 4, "\x7f\xff\xff\xff");  // the count of changes
    EXPECT_EQ(ZoneTransitions::Parse(claimsTooMuch), nullptr);
}

TEST(ZoneTimeDatabase, LeavesTimesAfterTheLastChangeToTheZonesRules) {
    const auto berlin = ZoneTransitions::Load(ZoneFile("Europe/Berlin"));
    ASSERT_NE(berlin, nullptr);
    const std::int64_t year2500 = ToWallSeconds({{2500, 7, 1}, 0, 0, 0});
    EXPECT_FALSE(berlin->OffsetAt(year2500).has_value());
    EXPECT_EQ(berlin->OffsetAt(ToWallSeconds({{2026, 7, 1}, 0, 0, 0})), 7200);

    // Tokyo has had no daylight-saving time since 1951: its last offset holds for good.
    const auto tokyo = ZoneTransitions::Load(ZoneFile("Asia/Tokyo"));
    ASSERT_NE(tokyo, nullptr);
    EXPECT_EQ(tokyo->OffsetAt(year2500), 9 * 3600);
}

}  // namespace
}  // namespace agendix::scan
