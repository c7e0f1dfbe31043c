// Calendars kept between scans: whatever changes in a folder or file shows at the next scan, the
// days a scan asks for are there however far they lie from the scan before, and a folder of one
// file per event gives the agenda of the single file.

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "scan/bench/CalendarGenerator.h"
#include "scan/linux/FolderChanges.h"
#include "scan/tests/IcalTestSupport.h"

namespace agendix::scan::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr CalendarDate kMonday{2026, 12, 7};

std::string Event(const std::string& uid, const std::string& subject,
                  const std::string& start = "20261207T090000") {
    return Calendar("BEGIN:VEVENT\nUID:" + uid + "\nDTSTART:" + start + "\nSUMMARY:" + subject +
                    "\nEND:VEVENT\n");
}

// Writes `text` over the file at `path` in place: it keeps its inode.
void Overwrite(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

TEST(IcalFolderRescan, AFileRewrittenWithItsSizeAndModificationTimeIsReadAgain) {
    const TemporaryCalendar folder;
    folder.Write("a.ics", Event("a", "Old"));
    folder.Write("b.ics", Event("b", "Kept"));
    Agenda agenda(folder.Folder());
    EXPECT_EQ(agenda.Scan(kMonday, false).text,
              " [09:00 - 09:00] Old ()\n [09:00 - 09:00] Kept ()\n\n");
    const auto modified = fs::last_write_time(folder.Folder() / "a.ics");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    Overwrite(folder.Folder() / "a.ics", Event("a", "New"));
    fs::last_write_time(folder.Folder() / "a.ics", modified);
    EXPECT_EQ(agenda.Scan(kMonday, false).text,
              " [09:00 - 09:00] New ()\n [09:00 - 09:00] Kept ()\n\n");
}

TEST(IcalFolderRescan, FilesAddedRenamedReplacedAndRemovedShowAtTheNextScan) {
    const TemporaryCalendar folder;
    const fs::path path = folder.Folder();
    folder.Write("b.ics", Event("b", "B"));
    Agenda agenda(path);
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] B ()\n\n");
    folder.Write("a.ics", Event("a", "A"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] A ()\n [09:00 - 09:00] B ()\n\n");
    // As synchronisers write: a hidden file, then renamed to its place.
    folder.Write(".c.ics.tmp", Event("c", "C"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] A ()\n [09:00 - 09:00] B ()\n\n");
    fs::rename(path / ".c.ics.tmp", path / "c.ics");
    folder.Write(".b.ics.tmp", Event("b", "B2"));
    fs::rename(path / ".b.ics.tmp", path / "b.ics");
    EXPECT_EQ(agenda.Scan(kMonday, false).text,
              " [09:00 - 09:00] A ()\n [09:00 - 09:00] B2 ()\n [09:00 - 09:00] C ()\n\n");
    fs::remove(path / "a.ics");
    fs::rename(path / "c.ics", path / "c.txt");
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] B2 ()\n\n");
    fs::create_directory(path / "d.ics");
    folder.Write("d.ics/e.ics", Event("e", "E"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] B2 ()\n\n");
}

// More files changed at once than are placed one by one among those known.
TEST(IcalFolderRescan, ManyFilesAddedAtOnceAllShow) {
    const TemporaryCalendar folder;
    Agenda agenda(folder.Folder());
    EXPECT_EQ(agenda.Scan(kMonday, false).title, "No Appointments");
    for (int i = 0; i < 300; ++i) {
        folder.Write("e" + std::to_string(1000 + i) + ".ics", Event(std::to_string(i), "E"));
    }
    const std::string text = agenda.Scan(kMonday, false).text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 301);
}

// A file reached through a symbolic link, or with a hard link in another folder, can change
// without a change in the calendar folder.
TEST(IcalFolderRescan, FilesChangedThroughLinksFromElsewhereAreReadAgain) {
    const TemporaryCalendar folder;
    const TemporaryCalendar elsewhere;
    elsewhere.Write("linked.ics", Event("l", "Linked"));
    elsewhere.Write("hard.ics", Event("h", "Hard"));
    fs::create_symlink(elsewhere.Folder() / "linked.ics", folder.Folder() / "a.ics");
    fs::create_hard_link(elsewhere.Folder() / "hard.ics", folder.Folder() / "b.ics");
    Agenda agenda(folder.Folder());
    EXPECT_EQ(agenda.Scan(kMonday, false).text,
              " [09:00 - 09:00] Linked ()\n [09:00 - 09:00] Hard ()\n\n");
    Overwrite(elsewhere.Folder() / "linked.ics", Event("l", "Linked again"));
    Overwrite(elsewhere.Folder() / "hard.ics", Event("h", "Hard again"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text,
              " [09:00 - 09:00] Linked again ()\n [09:00 - 09:00] Hard again ()\n\n");
    fs::remove(elsewhere.Folder() / "linked.ics");
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] Hard again ()\n\n");
}

// The calendar's path may come to name another folder without a change in the folder watched:
// renamed away, or a link retargeted.
TEST(IcalFolderRescan, AFolderReplacedByAnotherIsReadAnew) {
    const TemporaryCalendar parent;
    const fs::path folder = parent.Folder() / "calendar";
    for (const char* name : {"first", "second", "third"}) {
        fs::create_directory(parent.Folder() / name);
        parent.Write(std::string(name) + "/a.ics", Event("a", name));
    }
    fs::rename(parent.Folder() / "first", folder);
    Agenda agenda(folder);
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] first ()\n\n");
    fs::rename(folder, parent.Folder() / "old");
    fs::rename(parent.Folder() / "second", folder);
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] second ()\n\n");
    Overwrite(parent.Folder() / "old/a.ics", Event("a", "Old folder"));
    Overwrite(folder / "a.ics", Event("a", "second again"));
    EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] second again ()\n\n");

    const fs::path link = parent.Folder() / "link";
    fs::create_directory_symlink(folder, link);
    Agenda linked(link);
    EXPECT_EQ(linked.Scan(kMonday, false).text, " [09:00 - 09:00] second again ()\n\n");
    fs::remove(link);
    fs::create_directory_symlink(parent.Folder() / "third", link);
    EXPECT_EQ(linked.Scan(kMonday, false).text, " [09:00 - 09:00] third ()\n\n");
}

// The files keep the single events of the weeks around the days scanned; a scan of days further
// away reads them again.
TEST(IcalFolderRescan, DaysFarFromTheScanBeforeAreReadFromTheFiles) {
    const TemporaryCalendar folder;
    folder.Write(
        Calendar("BEGIN:VEVENT\nUID:a\nDTSTART:20261207T090000\nSUMMARY:This year\nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:b\nDTSTART:20271207T090000\nSUMMARY:Next year\nEND:VEVENT\n"
                 "BEGIN:VEVENT\nUID:c\nDTSTART:20270201T090000\nSUMMARY:February\nEND:VEVENT\n"));
    for (const fs::path& calendar : {folder.File(), folder.Folder()}) {
        Agenda agenda(calendar);
        EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] This year ()\n\n");
        EXPECT_EQ(agenda.Scan({2027, 12, 7}, false).text, " [09:00 - 09:00] Next year ()\n\n");
        EXPECT_EQ(agenda.Scan({2027, 2, 1}, false).text, " [09:00 - 09:00] February ()\n\n");
        EXPECT_EQ(agenda.Scan(kMonday, false).text, " [09:00 - 09:00] This year ()\n\n");
    }
}

// The benchmarks' calendar of 10,000 events, a tenth of them series, as one file and as a
// folder of one file per event, scanned on a few days and rescanned.
TEST(IcalFolderRescan, AFolderOfOneFilePerEventGivesTheAgendaOfTheSingleFile) {
    const ScopedTimeZone berlin("Europe/Berlin");
    const TemporaryCalendar folder;
    constexpr int kEvents = 10'000;
    std::ofstream(folder.File(), std::ios::binary) << GenerateCalendar(kEvents);
    WriteCalendarFolder(kEvents, folder.Folder() / "events");
    Agenda single(folder.File());
    Agenda perEvent(folder.Folder() / "events");
    for (const CalendarDate& day :
         {kMonday, CalendarDate{2026, 12, 8}, CalendarDate{2019, 3, 31}, kMonday}) {
        const Balloon expected = single.Scan(day);
        EXPECT_THAT(expected.text, HasSubstr("Appointment number"));
        const Balloon balloon = perEvent.Scan(day);
        EXPECT_EQ(balloon.title, expected.title);
        EXPECT_EQ(balloon.text, expected.text);
        EXPECT_THAT(perEvent.ReadProblems(), ::testing::IsEmpty());
    }
}

// What the kernel reports of a folder: the entries changed, not those only read.
TEST(FolderChanges, NamesTheEntriesChangedButNotThoseRead) {
    const TemporaryCalendar folder;
    folder.Write("read.ics", Event("r", "Read"));
    const int descriptor = ::open(folder.Folder().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(descriptor, 0);
    const auto changes = FolderChanges::Watch(descriptor);
    ::close(descriptor);
    if (!changes) {
        GTEST_SKIP() << "the temporary folder's file system is not watched";
    }
    EXPECT_THAT(changes->Take().names, ::testing::IsEmpty());
    std::ifstream(folder.Folder() / "read.ics").get();
    folder.Write("written.ics", "text");
    fs::rename(folder.Folder() / "written.ics", folder.Folder() / "renamed.ics");
    fs::permissions(folder.Folder() / "read.ics", fs::perms::owner_read);
    const FolderChanges::Seen seen = changes->Take();
    EXPECT_FALSE(seen.lost);
    EXPECT_THAT(seen.names, ElementsAre("read.ics", "renamed.ics", "written.ics"));
    std::ifstream(folder.Folder() / "renamed.ics").get();
    EXPECT_THAT(changes->Take().names, ::testing::IsEmpty());
    fs::remove_all(folder.Folder());
    EXPECT_TRUE(changes->Take().lost);
}

}  // namespace
}  // namespace agendix::scan::testing
