#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "app/qt/frmMain.h"
#include "app/tests/AppFakes.h"
#include "controls/groupbox/qt/QtThemePlatform.h"
#include "controls/host/qt/QtMessageService.h"
#include "scan/tests/FakeCalendar.h"

namespace agendix::app {
namespace {

using scan::testing::FakeAppointment;

// The notification area: records each call with the balloon text.
class RecordingArea : public controls::NotificationArea {
  public:
    std::vector<std::string> calls;
    std::string lastBalloon;
    bool AddIcon(const controls::TrayIconContent& content, controls::TrayIconEvents&) override {
        calls.push_back("add");
        lastBalloon = content.balloonText;
        return true;
    }
    bool ModifyIcon(const controls::TrayIconContent& content) override {
        calls.push_back("modify");
        lastBalloon = content.balloonText;
        return true;
    }
    bool RemoveIcon() override {
        calls.push_back("remove");
        return true;
    }
};

class frmMainTest : public ::testing::Test {
  protected:
    int argc = 1;
    char name[16] = "app_qt_tests";
    char* argv[2] = {name, nullptr};
    QApplication application{argc, argv};

    common::ApplicationInfo info{false, "agendix", "/usr/bin", "Agendix", 1, 0, 13};
    scan::testing::FakeCalendar calendar;
    scan::testing::FixedClock clock;
    testing::MemoryStore store;
    testing::FakeAutostart autostart;
    RecordingArea area;
    controls::QtMessageService messages{QStringLiteral("Agendix")};
    controls::QtThemePlatform theme;
    controls::FixedAmbientProperties ambient{QStringLiteral("frmOptions"), QFont(), true};
    controls::GroupBoxServices frame{ambient, messages, theme};
    std::vector<bool> visibleWhileAbout;
    std::vector<bool> hoverTips;
    std::unique_ptr<frmMain> window;

    void Create() {
        window = std::make_unique<frmMain>(frmMainServices{
            info, calendar, clock, store, autostart, area, frame,
            [this](bool on) { hoverTips.push_back(on); }, [](QMenu&) { return false; },
            [this](QWidget& owner) { visibleWhileAbout.push_back(owner.isVisible()); },
            "/usr/bin/agendix"});
    }
    template <typename Widget>
    Widget& Child(const QString& text) {
        for (auto* widget : window->findChildren<Widget*>()) {
            if (widget->text() == text) {
                return *widget;
            }
        }
        throw std::runtime_error("no control " + text.toStdString());
    }
    // A control of the window by its name.
    template <typename Widget>
    Widget& Named(const char* objectName) {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(objectName));
        if (widget == nullptr) {
            throw std::runtime_error(std::string("no control ") + objectName);
        }
        return *widget;
    }
    controls::Tray& Tray1() { return Named<controls::Tray>("Tray1"); }
    QTimer& Timer1() { return Named<QTimer>("Timer1"); }
    QLineEdit& txtMin() { return Named<QLineEdit>("txtMin"); }
    UpDown& UpDown1() { return Named<UpDown>("UpDown1"); }
    // The tray menu, a window of its own.
    static QMenu& mnuMenu() {
        for (auto* widget : QApplication::topLevelWidgets()) {
            if (auto* menu = qobject_cast<QMenu*>(widget);
                menu && menu->objectName() == "mnuMenu") {
                return *menu;
            }
        }
        throw std::runtime_error("no menu mnuMenu");
    }
};

TEST_F(frmMainTest, LayoutHasEveryControlWhereItBelongs) {
    Create();
    EXPECT_EQ(window->windowTitle(), QStringLiteral("\u00BB"));
    EXPECT_EQ(window->size(), QSize(284, 226));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(window->windowFlags().testFlag(Qt::WindowMinimizeButtonHint));

    const QString boxes[] = {"Auto start with Windows", "Hide this form at startup",
                             "Show ToolTip at MouseOver Event", "Also show tomorrow"};
    int previousTop = 0;
    for (const QString& caption : boxes) {
        auto& box = Child<QCheckBox>(caption);
        EXPECT_EQ(box.parentWidget()->objectName(), "frmOptions") << caption.toStdString();
        EXPECT_GT(box.y(), previousTop);
        previousTop = box.y();
    }
    // The interval row: where the caption is wider than the layout made room for, what follows
    // it moves right and keeps its size.
    const auto& every = Child<QLabel>("Check  every:");
    EXPECT_EQ(every.pos(), QPoint(12, 24));
    EXPECT_GE(every.width(), std::max(73, every.sizeHint().width()));
    const QRect minutesBox = txtMin().geometry();
    EXPECT_GE(minutesBox.x(), std::max(82, every.x() + every.sizeHint().width()));
    EXPECT_EQ(minutesBox.size(), QSize(20, 19));
    EXPECT_EQ(minutesBox.y(), 22);
    EXPECT_EQ(UpDown1().x(), minutesBox.right() + 1);
    const auto& minutes = Child<QLabel>("minutes");
    EXPECT_GE(minutes.x(), UpDown1().geometry().right() + 1);
    EXPECT_GE(minutes.width(), minutes.sizeHint().width());
    EXPECT_EQ(Child<QPushButton>("&About").geometry(), QRect(4, 196, 73, 27));
    EXPECT_EQ(Child<QPushButton>("&Exit").geometry(), QRect(82, 196, 73, 27));
    EXPECT_EQ(Child<QPushButton>("&Hide").geometry(), QRect(208, 196, 73, 27));
    EXPECT_TRUE(Child<QPushButton>("&Hide").font().bold());
    EXPECT_EQ(Tray1().geometry(), QRect(178, 280, 36, 36));
    EXPECT_EQ(Tray1().TrayToolTipTitle(), "Tray Icon ToolTipTitle");
    EXPECT_FALSE(Tray1().TrayImage() == nullptr);
}

TEST_F(frmMainTest, TabKeyVisitsTheControlsInTheirOrder) {
    Create();
    QStringList order;
    QWidget* widget = &Child<QPushButton>("&About");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            order << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != &Child<QPushButton>("&About"));
    EXPECT_EQ(order, QStringList({"cmdAbout", "cmdTray", "txtMin", "chkStartup", "chkTomorrow",
                                  "cmdExit", "chkWStartup", "chkMouseOver"}));
}

TEST_F(frmMainTest, TrayMenuHasItsFiveEntriesAndNoMenuBar) {
    Create();
    QStringList entries;
    for (const QAction* action : mnuMenu().actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(entries, QStringList({"Show Appointments", "-", "Settings", "-", "Exit"}));
    EXPECT_EQ(mnuMenu().defaultAction(), nullptr);
    EXPECT_TRUE(window->findChildren<QMenuBar*>().isEmpty());
}

TEST_F(frmMainTest, FirstStartGoesToTheTrayWithTheBalloon) {
    calendar.appointments = {FakeAppointment{
        {{2026, 12, 7}, 9, 0, 0}, {{2026, 12, 7}, 10, 30, 0}, "Review", "Room 2", {}}};
    Create();
    window->Show();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(Timer1().isActive());
    EXPECT_EQ(area.calls, std::vector<std::string>{"add"});
    EXPECT_EQ(area.lastBalloon, " [09:00 - 10:30] Review (Room 2)\r\n\r\n");
    EXPECT_EQ(store.Stored("WStartup"), "yes");
    EXPECT_EQ(store.Stored("Mouseover"), "yes");
    EXPECT_EQ(store.Stored("Startup"), "yes");
    EXPECT_EQ(store.Stored("Tomorrow"), "<absent>");
    EXPECT_EQ(hoverTips, std::vector<bool>{true});
}

// A whole day reaches the notification area: every line, and no NUL after the last.
TEST_F(frmMainTest, TheWholeAgendaGoesToTheTray) {
    for (int i = 0; i < 10; ++i) {
        calendar.appointments.push_back(
            FakeAppointment{{{2026, 12, 7}, 8 + i, 0, 0},
                            {{2026, 12, 7}, 8 + i, 45, 0},
                            "R\u00fcckblick \u00c4rger " + std::to_string(i),
                            "B\u00fcro Z\u00fcrich",
                            {}});
    }
    Create();
    window->Show();
    ASSERT_EQ(area.calls, std::vector<std::string>{"add"});
    EXPECT_GT(area.lastBalloon.size(), 256u);
    EXPECT_EQ(area.lastBalloon.find('\0'), std::string::npos);
    for (int i = 0; i < 10; ++i) {
        const std::string line = " [" + std::string(i < 2 ? "0" : "") + std::to_string(8 + i) +
                                 ":00 - " + std::string(i < 2 ? "0" : "") + std::to_string(8 + i) +
                                 ":45] R\u00fcckblick \u00c4rger " + std::to_string(i) +
                                 " (B\u00fcro Z\u00fcrich)\r\n";
        EXPECT_NE(area.lastBalloon.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(Tray1().TrayToolTip().toStdString(), area.lastBalloon);
}

TEST_F(frmMainTest, ShownStartThenHideAndSettings) {
    store.Store("Startup", "no");
    Create();
    window->Show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(Timer1().isActive());

    Child<QPushButton>("&Hide").click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(Timer1().isActive());

    mnuMenu().actions()[2]->trigger();  // Settings
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(Timer1().isActive());

    Child<QPushButton>("&About").click();
    EXPECT_EQ(visibleWhileAbout, std::vector<bool>{false});
    EXPECT_TRUE(window->isVisible());
}

TEST_F(frmMainTest, ArrowsChangeTheIntervalTypedTextDoesNot) {
    store.Store("Startup", "no");
    Create();
    window->Show();
    QTest::keyClicks(&txtMin(), "7");  // "27" typed into the box
    EXPECT_EQ(window->Handlers().CheckInterval(), 2);
    EXPECT_EQ(store.Stored("timer"), "<absent>");

    auto arrows = UpDown1().findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[0]->click();  // up, from the 27 the box shows
    EXPECT_EQ(txtMin().text(), "28");
    EXPECT_EQ(window->Handlers().CheckInterval(), 28);
    EXPECT_EQ(store.Stored("timer"), "28");
}

TEST_F(frmMainTest, AnArrowFromAStoredIntervalIsAChangeEvenToTheSpinnersOwnValue) {
    store.Store("Startup", "no");
    store.Store("timer", "3");
    Create();
    window->Show();
    auto arrows = UpDown1().findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[1]->click();  // down, from the 3 the box shows, to the spinner's initial 2
    EXPECT_EQ(txtMin().text(), "2");
    EXPECT_EQ(window->Handlers().CheckInterval(), 2);
    EXPECT_EQ(store.Stored("timer"), "2");
}

TEST_F(frmMainTest, AHandlerStillRunningAfterExitBringsNothingBack) {
    store.Store("Startup", "no");
    Create();
    window->Show();
    window->close();
    const auto sent = area.calls.size();
    mnuMenu().actions()[0]->trigger();  // "Show Appointments" after the unload
    window->Handlers().cmdAbout_Click();
    EXPECT_EQ(area.calls.size(), sent);
    EXPECT_FALSE(Tray1().IsVisible());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(frmMainTest, TickingTomorrowRescansAtOnceAndExitRemovesTheIcon) {
    calendar.appointments = {
        FakeAppointment{{{2026, 12, 8}, 9, 0, 0}, {{2026, 12, 8}, 10, 0, 0}, "Dentist", "", {}}};
    Create();
    window->Show();
    Child<QCheckBox>("Also show tomorrow").click();
    EXPECT_EQ(store.Stored("Tomorrow"), "yes");
    EXPECT_EQ(area.lastBalloon, " [09:00 - 10:00] Dentist ()\r\n\r\n");

    window->close();
    EXPECT_EQ(area.calls.back(), "remove");
    EXPECT_FALSE(Tray1().IsVisible());
}

// The visible message box of the program, or null.
QMessageBox* VisibleMessageBox() {
    for (auto* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

TEST_F(frmMainTest, ACalendarFailureIsShownAndTheWindowKeepsWorking) {
    calendar.failToOpen = true;
    Create();
    window->Show();
    auto* box = VisibleMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains("calendar.ics line 3"));
    EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(Timer1().isActive());
    EXPECT_TRUE(Tray1().IsVisible());
    EXPECT_EQ(area.lastBalloon, "calendar.ics line 3: broken");

    calendar.failToOpen = false;
    mnuMenu().actions()[0]->trigger();  // "Show Appointments"
    EXPECT_EQ(VisibleMessageBox(), nullptr);
    EXPECT_EQ(area.lastBalloon, "----");
}

TEST_F(frmMainTest, TheWindowIsCentredWhenFirstShownFromTheTray) {
    Create();
    window->Show();
    mnuMenu().actions()[2]->trigger();  // Settings
    ASSERT_TRUE(window->isVisible());
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window->geometry().center() - centre).manhattanLength(), 8);
}

}  // namespace
}  // namespace agendix::app
