#include <gtest/gtest.h>

#include <map>

#include "triggers/linux/CalendarWatch.h"
#include "triggers/tests/TriggersTestSupport.h"

namespace agendix::triggers {
namespace {

namespace fs = std::filesystem;
using testing::ChangeCounter;
using testing::WriteByRename;
using testing::WriteInPlace;

const std::string kEvent = "BEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n";

// A profile and a data folder of their own for each test.
class CalendarWatchTest : public testing::WatchTest {
  protected:
    common::EnvironmentLookup Environment() const {
        const std::map<std::string, std::string> variables{
            {"HOME", (Scratch() / "home").string()},
            {"XDG_CONFIG_HOME", (Scratch() / "config").string()},
            {"XDG_DATA_HOME", (Scratch() / "data").string()}};
        return [variables](const char* name) -> std::optional<std::string> {
            const auto found = variables.find(name);
            return found == variables.end() ? std::nullopt : std::optional(found->second);
        };
    }
    fs::path Profile() const { return Scratch() / "config" / "agendix" / "calendar.conf"; }
    fs::path DefaultCalendar() const { return Scratch() / "data" / "agendix" / "calendar.ics"; }

    void NameInProfile(const std::string& calendar) const {
        fs::create_directories(Profile().parent_path());
        WriteByRename(Profile(), "# the calendar\n" + calendar + "\n");
    }
};

// A relative path is taken from the profile's folder; a link is watched where it points too.
TEST_F(CalendarWatchTest, TargetsAreTheProfileAndTheCalendarItNames) {
    const fs::path profileFolder = Profile().parent_path();
    fs::create_directories(profileFolder / "sync" / "work");
    fs::create_symlink("sync/work", profileFolder / "linked");
    NameInProfile("linked/");
    const WatchTarget profile = WatchTarget::File(Profile());
    EXPECT_EQ(DefaultCalendarTargets(Environment()),
              (std::vector{profile, WatchTarget::CalendarFolder(profileFolder / "linked"),
                           WatchTarget::CalendarFolder(profileFolder / "sync" / "work")}));

    NameInProfile("");  // names no calendar: the scan says so, the profile is still watched
    EXPECT_EQ(DefaultCalendarTargets(Environment()), std::vector{profile});
}

TEST_F(CalendarWatchTest, EveryCalendarOnThisMachineIsWatchedNotThoseOnTheNetwork) {
    const fs::path profileFolder = Profile().parent_path();
    fs::create_directories(profileFolder / "work");
    NameInProfile("home.ics\nhttps://example.org/team.ics\nwork\n");
    EXPECT_EQ(
        DefaultCalendarTargets(Environment()),
        (std::vector{WatchTarget::File(Profile()), WatchTarget::File(profileFolder / "home.ics"),
                     WatchTarget::CalendarFolder(profileFolder / "work")}));
}

TEST_F(CalendarWatchTest, EachWayOfSavingTheCalendarFileIsOneChange) {
    fs::create_directories(DefaultCalendar().parent_path());
    WriteInPlace(DefaultCalendar(), kEvent);
    CalendarWatch watch(Environment());
    ChangeCounter counter(watch);

    EXPECT_EQ(counter.ChangesAfter([&] { WriteByRename(DefaultCalendar(), kEvent); }), 1)
        << "renamed over";
    EXPECT_EQ(counter.LastReason(), "the calendar changed");
    EXPECT_EQ(counter.ChangesAfter([&] { WriteInPlace(DefaultCalendar(), kEvent + kEvent); }), 1)
        << "written in place";
    EXPECT_EQ(counter.ChangesAfter([&] {
        fs::remove(DefaultCalendar());
        WriteInPlace(DefaultCalendar(), kEvent);
    }),
              1)
        << "deleted and made anew";
    EXPECT_EQ(counter.ChangesAfter([&] { fs::remove(DefaultCalendar()); }), 1) << "deleted";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteInPlace(DefaultCalendar(), kEvent); }), 1)
        << "made again";
    EXPECT_EQ(counter.ChangesAfter([&] {
        WriteInPlace(DefaultCalendar().parent_path() / "notes.txt", "x");
        WriteByRename(DefaultCalendar().parent_path() / "other.ics", kEvent);
    }),
              0)
        << "other files in the folder";
}

TEST_F(CalendarWatchTest, FolderCalendarCountsItsCalendarFilesOnly) {
    const fs::path folder = Scratch() / "vdir";
    fs::create_directories(folder);
    WriteInPlace(folder / "a.ics", kEvent);
    NameInProfile(folder.string());
    CalendarWatch watch(Environment());
    ChangeCounter counter(watch);

    EXPECT_EQ(counter.ChangesAfter([&] {
        WriteInPlace(folder / ".b.ics.tmp", kEvent);
        fs::rename(folder / ".b.ics.tmp", folder / "b.ics");
    }),
              1)
        << "a new event, written as synchronisers write";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteInPlace(folder / "a.ics", kEvent + kEvent); }), 1)
        << "an event edited in place";
    EXPECT_EQ(counter.ChangesAfter([&] { fs::remove(folder / "b.ics"); }), 1) << "event deleted";
    EXPECT_EQ(counter.ChangesAfter([&] {
        WriteInPlace(folder / ".c.ics", kEvent);
        WriteInPlace(folder / "status.json", "{}");
    }),
              0)
        << "hidden and other files";
}

TEST_F(CalendarWatchTest, EditingTheProfileMovesTheWatchToTheCalendarItNames) {
    fs::create_directories(DefaultCalendar().parent_path());
    WriteInPlace(DefaultCalendar(), kEvent);
    const fs::path other = Scratch() / "elsewhere" / "team.ics";
    fs::create_directories(other.parent_path());
    WriteInPlace(other, kEvent);
    CalendarWatch watch(Environment());
    ChangeCounter counter(watch);

    EXPECT_EQ(counter.ChangesAfter([&] { NameInProfile(other.string()); }), 1) << "profile written";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteByRename(other, kEvent + kEvent); }), 1)
        << "the calendar the profile names";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteByRename(DefaultCalendar(), kEvent + kEvent); }), 0)
        << "the calendar used before";
    EXPECT_EQ(counter.ChangesAfter([&] { fs::remove(Profile()); }), 1) << "profile removed";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteInPlace(DefaultCalendar(), kEvent); }), 1)
        << "the default calendar again";
}

// A synchroniser's first run makes the folder and its files at once; later edits count too.
TEST_F(CalendarWatchTest, CalendarFolderThatDoesNotExistYetIsWaitedFor) {
    const fs::path folder = Scratch() / "sync" / "calendars" / "work";
    NameInProfile(folder.string());
    CalendarWatch watch(Environment());
    ChangeCounter counter(watch);

    EXPECT_EQ(counter.ChangesAfter([&] {
        fs::create_directories(folder);
        WriteInPlace(folder / "a.ics", kEvent);
    }),
              1)
        << "folders made";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteByRename(folder / "b.ics", kEvent); }), 1)
        << "an event added";
    EXPECT_EQ(counter.ChangesAfter([&] { fs::remove_all(folder); }), 1) << "folder removed";
    EXPECT_EQ(counter.ChangesAfter([&] {
        fs::create_directories(folder);
        WriteInPlace(folder / "c.ics", kEvent);
    }),
              1)
        << "folder made again";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteInPlace(folder / "c.ics", kEvent + kEvent); }), 1)
        << "an event edited";
}

}  // namespace
}  // namespace agendix::triggers
