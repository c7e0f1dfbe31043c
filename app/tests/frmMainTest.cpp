#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "QtScanServices.h"
#include "frmMain.h"

namespace agendix::app {
namespace {

struct EmptyItems : scan::ItemCollection {
    std::unique_ptr<scan::AppointmentItem> GetFirst() override { return nullptr; }
    std::unique_ptr<scan::AppointmentItem> GetNext() override { return nullptr; }
    std::unique_ptr<ItemCollection> Restrict(const scan::LocalDateTime&,
                                             const scan::LocalDateTime&) override {
        return std::make_unique<EmptyItems>();
    }
};

struct EmptyFolder : scan::CalendarFolder {
    std::unique_ptr<scan::ItemCollection> Items() override {
        return std::make_unique<EmptyItems>();
    }
};

struct EmptyNamespace : scan::CalendarNamespace {
    std::unique_ptr<scan::CalendarFolder> GetDefaultFolder(int) override {
        return std::make_unique<EmptyFolder>();
    }
};

struct EmptyApplication : scan::CalendarApplication {
    std::unique_ptr<scan::CalendarNamespace> GetNamespace(std::string_view) override {
        return std::make_unique<EmptyNamespace>();
    }
};

// A calendar with no appointments, or one whose every scan fails.
struct FakeCalendar : scan::CalendarApplicationFactory {
    bool failing = false;
    int scans = 0;

    std::unique_ptr<scan::CalendarApplication> CreateApplication() override {
        ++scans;
        if (failing) {
            throw scan::CalendarError("calendar.ics line 3: not a calendar");
        }
        return std::make_unique<EmptyApplication>();
    }
};

struct RecordingTray : scan::BalloonTray {
    std::vector<std::string> calls;
    void SetTrayToolTipTitle(const std::string& title) override { calls.push_back(title); }
    void SetTrayToolTip(const std::string&) override { calls.push_back("text"); }
    void Show(bool on) override { calls.push_back(on ? "show" : "hide"); }
};

class frmMainTest : public ::testing::Test {
  protected:
    // Accepts the next modal message box as soon as it is up and keeps its text.
    void AnswerNextMessageBox() {
        QTimer::singleShot(0, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messages.push_back(box->text());
                box->accept();
            }
        });
    }

    int argc = 1;
    char name[16] = "app_qt_tests";
    char* argv[2] = {name, nullptr};
    QApplication application{argc, argv};
    ApplicationInfo info{false, "agendix", "/usr/bin", "Agendix", 1, 0, 13};
    FakeCalendar calendar;
    SystemClock clock;
    RecordingTray tray;
    EventLoopPump pump;
    frmMain window{info, calendar, clock, tray, pump};
    QStringList messages;
};

TEST_F(frmMainTest, LoadingStaysOnTopAndRunsTheFirstScanOnce) {
    window.Show();
    window.Show();

    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window.IsLoading());
    EXPECT_EQ(calendar.scans, 1);
    EXPECT_EQ(tray.calls, (std::vector<std::string>{"No Appointments", "text", "show"}));
    EXPECT_EQ(window.Scan().AppointmentText(), "----");
    EXPECT_FALSE(window.windowIcon().isNull());
}

TEST_F(frmMainTest, ACalendarFailureInTheLoadHandlerIsShownAndTheWindowStillComesUp) {
    calendar.failing = true;
    AnswerNextMessageBox();

    EXPECT_NO_THROW(window.Show());

    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains("calendar.ics line 3: not a calendar"));
    EXPECT_TRUE(window.isVisible());
    EXPECT_FALSE(window.IsLoading());
    EXPECT_TRUE(tray.calls.empty());

    calendar.failing = false;  // the next scan works again
    window.doIt();
    EXPECT_EQ(tray.calls.size(), 3U);
}

TEST_F(frmMainTest, ClosingTakesTheIconOutOfTheTray) {
    window.Show();
    tray.calls.clear();
    window.close();
    EXPECT_EQ(tray.calls, std::vector<std::string>{"hide"});
}

}  // namespace
}  // namespace agendix::app
