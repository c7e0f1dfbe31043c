#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>

#include "DesktopEntry.h"
#include "XdgAutostartShell.h"

namespace agendix::settings {
namespace {

const std::string kFullName = std::string(kRunKey) + kAutostartEntryName;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program at `path` that writes the path it was started as into $AGENDIX_STARTED_AS.
void WriteProgram(const QString& path) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("#!/bin/sh\nprintf '%s' \"$0\" > \"$AGENDIX_STARTED_AS\"\n");
    file.close();
    file.setPermissions(file.permissions() | QFile::ExeOwner);
}

// Every test works in a temporary XDG configuration folder, never the real one.
class XdgAutostartTest : public ::testing::Test {
  protected:
    void SetUp() override { setenv("XDG_CONFIG_HOME", QFile::encodeName(config_.path()), 1); }
    QString EntryFile() const {
        return config_.filePath(QStringLiteral("autostart/Agendix.desktop"));
    }
    QStringList Entries() const {
        return QDir(config_.filePath(QStringLiteral("autostart"))).entryList(QDir::Files);
    }

    QTemporaryDir config_;
    XdgAutostartShellFactory shells_;
};

TEST_F(XdgAutostartTest, EntryStartsTheExactProgramPathThroughAStandardLauncher) {
    QTemporaryDir programs;
    const QString program = programs.filePath(
        QStringLiteral("it's a \"dir\" with $HOME `x` \\back; & (more)/agendix bin"));
    WriteProgram(program);
    const QString startedAs = programs.filePath(QStringLiteral("started-as"));
    setenv("AGENDIX_STARTED_AS", QFile::encodeName(startedAs), 1);
    // The launcher may announce the start on the session bus; there is none to reach here.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);

    RegisterAutostart(shells_, program.toStdString(), kAutostartEntryName);

    GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(QFile::encodeName(EntryFile()));
    ASSERT_NE(info, nullptr) << ReadAll(EntryFile()).toStdString();
    EXPECT_STREQ(g_app_info_get_name(reinterpret_cast<GAppInfo*>(info)), "Agendix");
    gchar* icon = g_desktop_app_info_get_string(info, "Icon");
    EXPECT_STREQ(icon, "agendix");
    g_free(icon);
    GError* error = nullptr;
    const bool launched =
        g_app_info_launch(reinterpret_cast<GAppInfo*>(info), nullptr, nullptr, &error);
    g_object_unref(info);
    const std::string launchError = error ? error->message : "";
    g_clear_error(&error);
    ASSERT_TRUE(launched) << launchError;

    QElapsedTimer waited;
    waited.start();
    while (!QFile::exists(startedAs) && waited.elapsed() < 10000) {
        QThread::msleep(20);
    }
    QThread::msleep(50);
    EXPECT_EQ(QString::fromUtf8(ReadAll(startedAs)), program);
}

TEST_F(XdgAutostartTest, EntryPassesTheReferenceValidator) {
    RegisterAutostart(shells_, "/opt/my apps/agendix \"1\"/agendix", kAutostartEntryName);
    QProcess validator;
    validator.start(QStringLiteral(DESKTOP_FILE_VALIDATE), {EntryFile()});
    ASSERT_TRUE(validator.waitForFinished(10000));
    EXPECT_EQ(validator.exitCode(), 0) << validator.readAll().toStdString();
    EXPECT_EQ(validator.readAll(), "");
}

TEST_F(XdgAutostartTest, ExecQuotingFollowsTheDesktopEntryRules) {
    EXPECT_EQ(ExecArgument("/usr/bin/agendix"), "\"/usr/bin/agendix\"");
    EXPECT_EQ(ExecArgument("/a b/\"q\"/$v/`c`/50%"), "\"/a b/\\\"q\\\"/\\$v/\\`c\\`/50%%\"");
    EXPECT_EQ(ExecArgument("/back\\slash"), "\"/back\\\\\\\\slash\"");
}

TEST_F(XdgAutostartTest, RegisteringAgainReplacesTheOneEntry) {
    RegisterAutostart(shells_, "/old/place/agendix", kAutostartEntryName);
    RegisterAutostart(shells_, "/old/place/agendix", kAutostartEntryName);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("Agendix.desktop")});

    RegisterAutostart(shells_, "/new/place/agendix", kAutostartEntryName);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("Agendix.desktop")});
    const QByteArray entry = ReadAll(EntryFile());
    EXPECT_TRUE(entry.contains("Exec=\"/new/place/agendix\"\n")) << entry.toStdString();
    EXPECT_FALSE(entry.contains("/old/place"));
}

TEST_F(XdgAutostartTest, UnregisteringRemovesTheEntryAndIsQuietWithoutOne) {
    RegisterAutostart(shells_, "/usr/bin/agendix", kAutostartEntryName);
    UnregisterAutostart(shells_, kAutostartEntryName);
    EXPECT_FALSE(QFile::exists(EntryFile()));
    UnregisterAutostart(shells_, kAutostartEntryName);
    // The shell itself reports a missing value, as its contract says.
    EXPECT_THROW(shells_.CreateObject("WScript.Shell")->RegDelete(kFullName), AutostartError);
}

TEST_F(XdgAutostartTest, FolderComesFromTheEnvironmentAtEachCallOrFromTheCaller) {
    QTemporaryDir other;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(other.path()), 1);
    RegisterAutostart(shells_, "/usr/bin/agendix", kAutostartEntryName);
    EXPECT_TRUE(QFile::exists(other.filePath(QStringLiteral("autostart/Agendix.desktop"))));

    XdgAutostartShellFactory injected(other.filePath(QStringLiteral("chosen")));
    RegisterAutostart(injected, "/usr/bin/agendix", kAutostartEntryName);
    EXPECT_TRUE(QFile::exists(other.filePath(QStringLiteral("chosen/Agendix.desktop"))));
}

TEST_F(XdgAutostartTest, RegistrationThatCannotBeWrittenIsAClearError) {
    // A plain file where the folder should be stops even a privileged user.
    QFile blocker(config_.filePath(QStringLiteral("autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        RegisterAutostart(shells_, "/usr/bin/agendix", kAutostartEntryName);
        FAIL() << "the registration reported success";
    } catch (const AutostartError& error) {
        EXPECT_NE(std::string(error.what()).find(blocker.fileName().toStdString()),
                  std::string::npos)
            << error.what();
    }
}

TEST_F(XdgAutostartTest, ReadOnlyFolderIsAClearError) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop the superuser";
    }
    const QString folder = config_.filePath(QStringLiteral("autostart"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_THROW(RegisterAutostart(shells_, "/usr/bin/agendix", kAutostartEntryName),
                 AutostartError);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(XdgAutostartTest, RefusesWhatCannotBeAnEntry) {
    EXPECT_THROW(RegisterAutostart(shells_, "relative/agendix", "Agendix"), AutostartError);
    EXPECT_THROW(RegisterAutostart(shells_, "/line\nbreak", "Agendix"), AutostartError);
    EXPECT_THROW(RegisterAutostart(shells_, "/not/utf8/\xff", "Agendix"), AutostartError);
    for (const char* name : {"", "../escape", "sub/key", "sub\\key", ".hidden"}) {
        EXPECT_THROW(RegisterAutostart(shells_, "/usr/bin/agendix", name), AutostartError) << name;
    }
    auto shell = shells_.CreateObject("wscript.shell");
    EXPECT_THROW(shell->RegWrite("HKEY_CURRENT_USER\\Environment\\PATH", "/x"), AutostartError);
    shell->RegWrite(
        "hkey_local_machine\\software\\microsoft\\windows\\currentversion\\run\\Agendix",
        "/usr/bin/agendix");
    EXPECT_TRUE(QFile::exists(EntryFile()));
    EXPECT_THROW(shells_.CreateObject("Other.Object"), AutostartError);
    EXPECT_FALSE(QDir(config_.filePath(QStringLiteral("autostart")))
                     .exists(QStringLiteral("../escape.desktop")));
}

}  // namespace
}  // namespace agendix::settings
