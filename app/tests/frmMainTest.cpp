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

// The shell's notification area: records each message with the balloon text.
class RecordingShell : public controls::ShellNotifyIcon {
  public:
    std::vector<std::uint32_t> messages;
    std::string lastBalloon;
    bool Shell_NotifyIconA(std::uint32_t message, const controls::NotifyIconData& data) override {
        messages.push_back(message);
        lastBalloon = data.Text(controls::NotifyIconData::TextField::szInfo);
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
    testing::FakeShells shells;
    RecordingShell shell;
    controls::ShellHandles handles;
    controls::QtMessageService messages{QStringLiteral("Agendix")};
    controls::QtThemePlatform theme;
    controls::FixedAmbientProperties ambient{QStringLiteral("frmOptions"), QFont(), true};
    controls::GroupBoxServices frame{ambient, messages, theme};
    std::vector<bool> visibleWhileAbout;
    std::vector<bool> hoverTips;
    std::unique_ptr<frmMain> window;

    void Create() {
        window = std::make_unique<frmMain>(frmMainServices{
            info, calendar, clock, store, shells, shell, handles, frame,
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
    const QRect txtMin = window->txtMin().geometry();
    EXPECT_GE(txtMin.x(), std::max(82, every.x() + every.sizeHint().width()));
    EXPECT_EQ(txtMin.size(), QSize(20, 19));
    EXPECT_EQ(txtMin.y(), 22);
    EXPECT_EQ(window->UpDown1().x(), txtMin.right() + 1);
    const auto& minutes = Child<QLabel>("minutes");
    EXPECT_GE(minutes.x(), window->UpDown1().geometry().right() + 1);
    EXPECT_GE(minutes.width(), minutes.sizeHint().width());
    EXPECT_EQ(Child<QPushButton>("&About").geometry(), QRect(4, 196, 73, 27));
    EXPECT_EQ(Child<QPushButton>("&Exit").geometry(), QRect(82, 196, 73, 27));
    EXPECT_EQ(Child<QPushButton>("&Hide").geometry(), QRect(208, 196, 73, 27));
    EXPECT_TRUE(Child<QPushButton>("&Hide").font().bold());
    EXPECT_EQ(window->Tray1().geometry(), QRect(178, 280, 36, 36));
    EXPECT_EQ(window->Tray1().TrayToolTipTitle(), "Tray Icon ToolTipTitle");
    EXPECT_FALSE(window->Tray1().TrayImage() == nullptr);
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
    for (const QAction* action : window->mnuMenu().actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(entries, QStringList({"Show Appointments", "-", "Settings", "-", "Exit"}));
    EXPECT_EQ(window->mnuMenu().defaultAction(), nullptr);
    EXPECT_TRUE(window->findChildren<QMenuBar*>().isEmpty());
}

TEST_F(frmMainTest, FirstStartGoesToTheTrayWithTheBalloon) {
    calendar.appointments = {FakeAppointment{
        {{2026, 12, 7}, 9, 0, 0}, {{2026, 12, 7}, 10, 30, 0}, "Review", "Room 2", {}}};
    Create();
    window->Show();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Timer1().isActive());
    EXPECT_EQ(shell.messages, std::vector<std::uint32_t>{controls::NIM_ADD});
    EXPECT_EQ(shell.lastBalloon, " [09:00 - 10:30] Review (Room 2)\r\n\r\n");
    EXPECT_EQ(store.Stored("WStartup"), "yes");
    EXPECT_EQ(store.Stored("Mouseover"), "yes");
    EXPECT_EQ(store.Stored("Startup"), "yes");
    EXPECT_EQ(store.Stored("Tomorrow"), "<absent>");
    EXPECT_EQ(hoverTips, std::vector<bool>{true});
}

TEST_F(frmMainTest, ShownStartThenHideAndSettings) {
    store.Store("Startup", "no");
    Create();
    window->Show();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->Timer1().isActive());

    Child<QPushButton>("&Hide").click();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->Timer1().isActive());

    window->mnuMenu().actions()[2]->trigger();  // Settings
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isMinimized());
    EXPECT_FALSE(window->Timer1().isActive());

    Child<QPushButton>("&About").click();
    EXPECT_EQ(visibleWhileAbout, std::vector<bool>{false});
    EXPECT_TRUE(window->isVisible());
}

TEST_F(frmMainTest, ArrowsChangeTheIntervalTypedTextDoesNot) {
    store.Store("Startup", "no");
    Create();
    window->Show();
    QTest::keyClicks(&window->txtMin(), "7");  // "27" typed into the box
    EXPECT_EQ(window->Handlers().CheckInterval(), 2);
    EXPECT_EQ(store.Stored("timer"), "<absent>");

    auto arrows = window->UpDown1().findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[0]->click();  // up, from the 27 the box shows
    EXPECT_EQ(window->txtMin().text(), "28");
    EXPECT_EQ(window->Handlers().CheckInterval(), 28);
    EXPECT_EQ(store.Stored("timer"), "28");
}

TEST_F(frmMainTest, AnArrowFromAStoredIntervalIsAChangeEvenToTheSpinnersOwnValue) {
    store.Store("Startup", "no");
    store.Store("timer", "3");
    Create();
    window->Show();
    auto arrows = window->UpDown1().findChildren<QToolButton*>();
    ASSERT_EQ(arrows.size(), 2);
    arrows[1]->click();  // down, from the 3 the box shows, to the spinner's initial 2
    EXPECT_EQ(window->txtMin().text(), "2");
    EXPECT_EQ(window->Handlers().CheckInterval(), 2);
    EXPECT_EQ(store.Stored("timer"), "2");
}

TEST_F(frmMainTest, AHandlerStillRunningAfterExitBringsNothingBack) {
    store.Store("Startup", "no");
    Create();
    window->Show();
    window->close();
    const auto sent = shell.messages.size();
    window->mnuMenu().actions()[0]->trigger();  // "Show Appointments" after the unload
    window->Handlers().cmdAbout_Click();
    EXPECT_EQ(shell.messages.size(), sent);
    EXPECT_FALSE(window->Tray1().IsVisible());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(frmMainTest, TickingTomorrowRescansAtOnceAndExitRemovesTheIcon) {
    calendar.appointments = {
        FakeAppointment{{{2026, 12, 8}, 9, 0, 0}, {{2026, 12, 8}, 10, 0, 0}, "Dentist", "", {}}};
    Create();
    window->Show();
    window->OptionCheckBox(OptionBox::Tomorrow).click();
    EXPECT_EQ(store.Stored("Tomorrow"), "yes");
    EXPECT_EQ(shell.lastBalloon, " [09:00 - 10:00] Dentist ()\r\n\r\n");

    window->close();
    EXPECT_EQ(shell.messages.back(), controls::NIM_DELETE);
    EXPECT_FALSE(window->Tray1().IsVisible());
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
    EXPECT_TRUE(window->Timer1().isActive());
    EXPECT_TRUE(window->Tray1().IsVisible());
    EXPECT_EQ(shell.lastBalloon, "calendar.ics line 3: broken");

    calendar.failToOpen = false;
    window->mnuMenu().actions()[0]->trigger();  // "Show Appointments"
    EXPECT_EQ(VisibleMessageBox(), nullptr);
    EXPECT_EQ(shell.lastBalloon, "----");
}

TEST_F(frmMainTest, TheWindowIsCentredWhenFirstShownFromTheTray) {
    Create();
    window->Show();
    window->mnuMenu().actions()[2]->trigger();  // Settings
    ASSERT_TRUE(window->isVisible());
    const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((window->geometry().center() - centre).manhattanLength(), 8);
}

}  // namespace
}  // namespace agendix::app
