#include <gtest/gtest.h>

#include "triggers/core/WatchTarget.h"

namespace agendix::triggers {
namespace {

// The names a scan reads: a calendar file by its own name; in a calendar folder every visible
// .ics file, not the hidden or differently named temporary files synchronisers write first.
TEST(WatchTarget, MatchesTheEntriesTheScanReads) {
    const WatchTarget file = WatchTarget::File("/home/u/.local/share/agendix/calendar.ics");
    EXPECT_EQ(file.folder, "/home/u/.local/share/agendix");
    EXPECT_TRUE(file.Matches("calendar.ics"));
    EXPECT_FALSE(file.Matches("calendar.ics~"));
    EXPECT_FALSE(file.Matches(".calendar.ics.swp"));
    EXPECT_FALSE(file.Matches("other.ics"));
    EXPECT_FALSE(file.Matches(""));

    const WatchTarget folder = WatchTarget::CalendarFolder("/home/u/cal/work/");
    EXPECT_EQ(folder.folder, "/home/u/cal/work");
    EXPECT_TRUE(folder.Matches("abc-123.ics"));
    EXPECT_TRUE(folder.Matches("EVENT.ICS"));
    EXPECT_FALSE(folder.Matches(".abc-123.ics"));
    EXPECT_FALSE(folder.Matches("abc-123.ics.tmp"));
    EXPECT_FALSE(folder.Matches("ics"));
    EXPECT_FALSE(folder.Matches(""));
}

}  // namespace
}  // namespace agendix::triggers
