#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "about/linux/LinuxSysInfo.h"
#include "about/qt/frmAbout.h"

namespace agendix::about {
namespace {

struct RecordingOpener : UrlOpener {
    std::vector<std::string> opened;
    bool OpenUrl(const std::string& target) override {
        opened.push_back(target);
        return false;  // a failed open changes nothing
    }
};

struct RecordingMessages : common::MessageService {
    std::vector<std::string> shown;
    void ShowMessage(const std::string& text, const std::string&) override {
        shown.push_back(text);
    }
};

class QtAboutTest : public ::testing::Test {
  protected:
    QIcon RedIcon() {
        QPixmap red(32, 32);
        red.fill(Qt::red);
        return QIcon(red);
    }

    // An executable shell script at `path` that creates `marker` when it runs.
    static void WriteProgram(const QString& path, const QString& marker = "/dev/null") {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(("#!/bin/sh\ntouch '" + marker + "'\n").toUtf8());
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    int argc = 1;
    char name[16] = "about_qt_tests";
    char* argv[2] = {name, nullptr};
    QApplication application{argc, argv};
    common::ApplicationInfo info{false, "agendix", "/usr/bin", "Agendix", 1, 0, 13};
    RecordingOpener opener;
    QTemporaryDir folder;
};

TEST_F(QtAboutTest, TheLoadHandlerFillsTheDialogFromTheApplicationInformation) {
    LinuxSysInfo sysInfo({}, {});
    frmAbout dialog(info, RedIcon(), opener, sysInfo);
    auto text = [&](const char* label) { return dialog.findChild<QLabel*>(label)->text(); };

    EXPECT_EQ(dialog.windowTitle(), "About Agendix");
    EXPECT_EQ(text("lblVersion"), "Version 1.0, build 13");
    EXPECT_EQ(text("lblTitle"), "Agendix");
    EXPECT_EQ(text("lblDescription"), "Shows todays and tomorrows outlook calender items.");
    EXPECT_TRUE(text("lblDisclaimer").contains("\n\n"));
    EXPECT_FALSE(text("lblDisclaimer").contains('\r'));
    const QImage icon = dialog.findChild<QLabel*>("picIcon")->pixmap().toImage();
    EXPECT_EQ(icon.pixelColor(16, 16), QColor(Qt::red));
    EXPECT_TRUE(dialog.findChild<QLabel*>("lblVersion")->font().bold());

    for (const char* link : {"Label1_0", "Label1_1"}) {
        const QLabel* label = dialog.findChild<QLabel*>(link);
        EXPECT_TRUE(label->font().underline()) << link;
        EXPECT_EQ(label->cursor().shape(), Qt::PointingHandCursor) << link;
    }
    EXPECT_EQ(dialog.findChild<QLabel*>("Image1")->size(), QSize(14, 10));
    EXPECT_EQ(dialog.findChild<QLabel*>("Image2")->size(), QSize(21, 19));
    EXPECT_EQ(dialog.findChild<QPushButton*>("cmdSysInfo")->text(), "&System Info...");
    EXPECT_TRUE(dialog.findChild<QPushButton*>("cmdOK")->isDefault());
}

TEST_F(QtAboutTest, LinkClicksOpenMailForTheFirstAndTheHomePageForTheSecond) {
    LinuxSysInfo sysInfo({}, {});
    frmAbout dialog(info, RedIcon(), opener, sysInfo);
    dialog.show();
    QTest::mouseClick(dialog.findChild<QLabel*>("Label1_0"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QLabel*>("Label1_1"), Qt::LeftButton);
    QTest::mouseClick(dialog.findChild<QLabel*>("Label1_1"), Qt::RightButton);
    EXPECT_EQ(opener.opened, (std::vector<std::string>{"mailto:agendix@example.org", kHomePage}));
}

TEST_F(QtAboutTest, OkAndEscapeBothCloseTheDialog) {
    LinuxSysInfo sysInfo({}, {});
    frmAbout dialog(info, RedIcon(), opener, sysInfo);
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    dialog.show();
    QTest::mouseClick(dialog.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST_F(QtAboutTest, TheConfiguredProgramComesFirstThenAKnownToolOnThePath) {
    const QString configured = folder.filePath("sysinfo");
    const QString bin = folder.filePath("bin");
    QDir().mkpath(bin);
    WriteProgram(configured);
    WriteProgram(bin + "/kinfocenter");

    LinuxSysInfo both(configured, {folder.filePath("empty"), bin});
    EXPECT_EQ(both.FindTool(), configured.toStdString());

    LinuxSysInfo pathOnly(folder.filePath("missing"), {folder.filePath("empty"), bin});
    EXPECT_EQ(pathOnly.FindTool(), (bin + "/kinfocenter").toStdString());

    // The preferred tool wins within a folder; an earlier folder wins over a preferred tool.
    WriteProgram(bin + "/hardinfo");
    EXPECT_EQ(pathOnly.FindTool(), (bin + "/hardinfo").toStdString());
    const QString first = folder.filePath("first");
    QDir().mkpath(first);
    WriteProgram(first + "/lshw-gtk");
    LinuxSysInfo firstFolder({}, {first, bin});
    EXPECT_EQ(firstFolder.FindTool(), (first + "/lshw-gtk").toStdString());

    // A file that is not executable, or a folder of the tool's name, is no tool.
    QFile::setPermissions(configured, QFile::ReadOwner | QFile::WriteOwner);
    QDir().mkpath(folder.filePath("dir/hardinfo"));
    LinuxSysInfo none(configured, {folder.filePath("dir")});
    EXPECT_EQ(none.FindTool(), "");
}

TEST_F(QtAboutTest, TheFoundToolIsStartedAndWithoutOneTheMessageAppears) {
    const QString bin = folder.filePath("bin");
    const QString marker = folder.filePath("started");
    QDir().mkpath(bin);
    WriteProgram(bin + "/hardinfo", marker);
    RecordingMessages messages;

    LinuxSysInfo found({}, {bin});
    StartSysInfo(found, messages, "Agendix");
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(marker); }, 5000));
    EXPECT_TRUE(messages.shown.empty());

    LinuxSysInfo nothing({}, {folder.filePath("empty")});
    StartSysInfo(nothing, messages, "Agendix");
    EXPECT_EQ(messages.shown,
              std::vector<std::string>{"System Information Is Unavailable At This Time"});
}

}  // namespace
}  // namespace agendix::about
