#include <gtest/gtest.h>

#include <QTest>

#include "triggers/linux/DayWatch.h"
#include "triggers/tests/TriggersTestSupport.h"

namespace agendix::triggers {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono;
using testing::ChangeCounter;
using testing::WriteByRename;
using testing::WriteInPlace;

fs::path Zone(const char* name) {
    return fs::path("/usr/share/zoneinfo") / name;
}

// A folder that stands for /etc, with the machine's zone in it.
class DayWatchTest : public testing::WatchTest {
  protected:
    void SetUp() override {
        fs::create_directories(Etc());
        fs::create_symlink(Zone("Europe/Berlin"), Etc() / "localtime");
        WriteInPlace(Etc() / "timezone", "Europe/Berlin\n");
    }
    fs::path Etc() const { return Scratch() / "etc"; }
};

TEST_F(DayWatchTest, WakesAtTheMomentHandedInAndArmsAgain) {
    std::vector<sys_seconds> asked;
    std::vector<system_clock::time_point> woken;
    DayWatch watch(
        [&](sys_seconds now) {
            asked.push_back(now + 1s);
            return asked.back();
        },
        Etc());
    QObject::connect(&watch, &DayWatch::Changed, [&](const QString& why) {
        EXPECT_EQ(why, "a new day began");
        woken.push_back(system_clock::now());
    });

    ASSERT_TRUE(QTest::qWaitFor([&] { return woken.size() >= 2; }, 5000));
    ASSERT_GE(asked.size(), woken.size());
    for (std::size_t i = 0; i < woken.size(); ++i) {
        EXPECT_GE(woken[i], asked[i]) << "wake-up " << i << " came early";
        EXPECT_LT(woken[i], asked[i] + 1s) << "wake-up " << i << " came late";
    }
}

// timedatectl renames a new link over /etc/localtime, `ln -sf` deletes and links anew, and
// /etc/timezone is an ordinary file; each counts once, and the wake-up is worked out anew.
TEST_F(DayWatchTest, EachZoneChangeIsOneChangeAndMovesTheWakeUp) {
    int armings = 0;
    DayWatch watch(
        [&](sys_seconds now) {
            ++armings;
            return now + 24h;
        },
        Etc());
    ChangeCounter counter(watch);
    const fs::path localtime = Etc() / "localtime";

    EXPECT_EQ(counter.ChangesAfter([&] {
        fs::create_symlink(Zone("Asia/Tokyo"), Etc() / ".localtime.new");
        fs::rename(Etc() / ".localtime.new", localtime);
    }),
              1)
        << "link renamed over";
    EXPECT_EQ(counter.LastReason(), "the time zone changed");
    EXPECT_EQ(armings, 2);
    EXPECT_EQ(counter.ChangesAfter([&] {
        fs::remove(localtime);
        fs::create_symlink(Zone("America/New_York"), localtime);
    }),
              1)
        << "link deleted and made anew";
    EXPECT_EQ(counter.ChangesAfter([&] { WriteByRename(Etc() / "timezone", "Asia/Tokyo\n"); }), 1)
        << "timezone";
    EXPECT_EQ(counter.ChangesAfter([&] {
        WriteInPlace(Etc() / "hostname", "desk\n");
        fs::create_symlink(Zone("UTC"), Etc() / "localtime.old");
    }),
              0)
        << "other files";
    EXPECT_EQ(armings, 4);
}

}  // namespace
}  // namespace agendix::triggers
