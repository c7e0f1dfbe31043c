#include <gio/gdesktopappinfo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <optional>

#include "settings/autostart/linux/DesktopEntry.h"
#include "settings/autostart/linux/XdgAutostart.h"

namespace agendix::settings {
namespace {

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

// The environment for systemd's tools: the test's XDG configuration folder and no system-wide
// one, `runtime` as the runtime folder, and messages on standard error.
QProcessEnvironment SystemdEnvironment(const QTemporaryDir& runtime) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), runtime.filePath(QStringLiteral("none")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    environment.insert(QStringLiteral("SYSTEMD_LOG_TARGET"), QStringLiteral("console"));
    return environment;
}

// A program's exit code and everything it wrote, or -1 and why it did not finish.
struct Finished {
    int exitCode;
    std::string output;
};

Finished RunSystemdTool(const QString& program, const QStringList& arguments) {
    QTemporaryDir runtime;
    QProcess tool;
    tool.setProcessEnvironment(SystemdEnvironment(runtime));
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(program, arguments);
    if (!tool.waitForFinished(30000)) {
        return {-1, program.toStdString() + ": " + tool.errorString().toStdString()};
    }
    return {tool.exitCode(), tool.readAll().toStdString()};
}

QStringList GeneratorOutputFolders(const QTemporaryDir& output) {
    return {output.filePath(QStringLiteral("normal")), output.filePath(QStringLiteral("early")),
            output.filePath(QStringLiteral("late"))};
}

// Runs systemd's autostart generator on the entries of $XDG_CONFIG_HOME/autostart, with its
// output folders in `output`.
Finished RunAutostartGenerator(const QTemporaryDir& output) {
    const QStringList folders = GeneratorOutputFolders(output);
    for (const QString& folder : folders) {
        QDir().mkpath(folder);
    }
    return RunSystemdTool(QStringLiteral(XDG_AUTOSTART_GENERATOR), folders);
}

// The unit that the generator made in `output` for the Agendix entry, or nothing.
std::optional<QString> AgendixUnit(const QTemporaryDir& output) {
    for (const QString& folder : GeneratorOutputFolders(output)) {
        const QString unit = folder + QStringLiteral("/app-Agendix@autostart.service");
        if (QFile::exists(unit)) {
            return unit;
        }
    }
    return std::nullopt;
}

// What systemd's autostart generator (version 252) makes of an entry that starts a program path.
enum class Systemd {
    // A unit that starts exactly the program.
    kStartsIt,
    // A unit, but one that systemd does not start: it refuses a program whose path holds a quote
    // or a backslash, and the generator keeps the backslash that escapes "$" or "`".
    kMakesAUnit,
    // Nothing: the generator reads C escapes in the program path once more and does not undo
    // "%%" there, so no entry that follows the format can name such a path to it.
    kCannotName,
};

struct ProgramPath {
    const char* folder;
    // GLib's launcher does not undo "%%" in the program path.
    bool glibStartsIt;
    Systemd systemd;
};

// Folders of programs started at log-in, with characters that an Exec value quotes or escapes.
const ProgramPath kProgramPaths[] = {
    {"plain", true, Systemd::kStartsIt},
    {" two  blanks ", true, Systemd::kStartsIt},
    {"shell ;&|<>()*?#~ marks", true, Systemd::kStartsIt},
    {"Z\u00fcrich \u2713", true, Systemd::kStartsIt},
    {"\"double\" and 'single' quotes", true, Systemd::kMakesAUnit},
    {"$HOME and ${PATH}", true, Systemd::kMakesAUnit},
    {"`date`", true, Systemd::kMakesAUnit},
    {"back\\slash \\n \\\\", true, Systemd::kCannotName},
    {"50% %f %%", false, Systemd::kCannotName},
    {"it's a \"dir\" with $HOME `x` \\back; & (more)", true, Systemd::kCannotName},
};

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
    // Registers a program in `folder` of a temporary folder to start at log-in.
    QString RegisterProgramIn(const char* folder) {
        const QString program =
            programs_.filePath(QString::fromUtf8(folder) + QStringLiteral("/agendix bin"));
        WriteProgram(program);
        RegisterAutostart(autostart_, program.toStdString(), kAutostartEntryName);
        return program;
    }

    QTemporaryDir config_;
    QTemporaryDir programs_;
    XdgAutostart autostart_;
};

TEST_F(XdgAutostartTest, EntryStartsTheExactProgramPathThroughAStandardLauncher) {
    const QString startedAs = programs_.filePath(QStringLiteral("started-as"));
    setenv("AGENDIX_STARTED_AS", QFile::encodeName(startedAs), 1);
    // The launcher may announce the start on the session bus; there is none to reach here.
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);

    for (const ProgramPath& path : kProgramPaths) {
        if (!path.glibStartsIt) {
            continue;
        }
        SCOPED_TRACE(path.folder);
        QFile::remove(startedAs);
        const QString program = RegisterProgramIn(path.folder);

        GDesktopAppInfo* info =
            g_desktop_app_info_new_from_filename(QFile::encodeName(EntryFile()));
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

        // The started program writes its path; wait for all of it, however busy the machine.
        QElapsedTimer waited;
        waited.start();
        while (QString::fromUtf8(ReadAll(startedAs)) != program && waited.elapsed() < 10000) {
            QThread::msleep(20);
        }
        EXPECT_EQ(QString::fromUtf8(ReadAll(startedAs)), program);
    }
}

// systemd's generator turns autostart entries into units where systemd runs the session. Unlike
// GLib's, its reader refuses a whole entry over one escape that the format does not define.
TEST_F(XdgAutostartTest, SystemdTurnsTheEntryIntoAUnitThatStartsTheExactPath) {
    for (const ProgramPath& path : kProgramPaths) {
        if (path.systemd == Systemd::kCannotName) {
            continue;
        }
        SCOPED_TRACE(path.folder);
        RegisterProgramIn(path.folder);
        QTemporaryDir output;
        const Finished generator = RunAutostartGenerator(output);
        const std::optional<QString> unit = AgendixUnit(output);
        if (!unit) {
            ADD_FAILURE() << "no unit made\n"
                          << generator.output << ReadAll(EntryFile()).toStdString();
            continue;
        }
        if (path.systemd == Systemd::kStartsIt) {
            // Loads the unit as systemd would at log-in, and finds a missing program.
            const Finished check =
                RunSystemdTool(QStringLiteral(SYSTEMD_ANALYZE),
                               {QStringLiteral("verify"), QStringLiteral("--user"),
                                QStringLiteral("--man=no"), *unit});
            EXPECT_EQ(check.exitCode, 0) << check.output << ReadAll(*unit).toStdString();
        }
    }
}

TEST_F(XdgAutostartTest, EntryPassesTheReferenceValidator) {
    const auto expectValid = [this] {
        QProcess validator;
        validator.start(QStringLiteral(DESKTOP_FILE_VALIDATE), {EntryFile()});
        ASSERT_TRUE(validator.waitForFinished(10000));
        EXPECT_EQ(validator.exitCode(), 0) << validator.readAll().toStdString();
        EXPECT_EQ(validator.readAll(), "");
    };
    RegisterAutostart(autostart_, "/opt/my apps/agendix \"1\"/agendix", kAutostartEntryName);
    expectValid();
    for (const ProgramPath& path : kProgramPaths) {
        SCOPED_TRACE(path.folder);
        RegisterProgramIn(path.folder);
        expectValid();
    }
}

TEST_F(XdgAutostartTest, ExecQuotingFollowsTheDesktopEntryRules) {
    EXPECT_EQ(ExecArgument("/usr/bin/agendix"), "\"/usr/bin/agendix\"");
    EXPECT_EQ(ExecArgument("/a b/\"q\"/$v/`c`/50%"),
              "\"/a b/\\\\\"q\\\\\"/\\\\$v/\\\\`c\\\\`/50%%\"");
    EXPECT_EQ(ExecArgument("/back\\slash"), "\"/back\\\\\\\\slash\"");
}

TEST_F(XdgAutostartTest, RegisteringAgainReplacesTheOneEntry) {
    RegisterAutostart(autostart_, "/old/place/agendix", kAutostartEntryName);
    RegisterAutostart(autostart_, "/old/place/agendix", kAutostartEntryName);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("Agendix.desktop")});

    RegisterAutostart(autostart_, "/new/place/agendix", kAutostartEntryName);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("Agendix.desktop")});
    const QByteArray entry = ReadAll(EntryFile());
    EXPECT_TRUE(entry.contains("Exec=\"/new/place/agendix\"\n")) << entry.toStdString();
    EXPECT_FALSE(entry.contains("/old/place"));
}

TEST_F(XdgAutostartTest, UnregisteringRemovesTheEntryAndIsQuietWithoutOne) {
    RegisterAutostart(autostart_, "/usr/bin/agendix", kAutostartEntryName);
    UnregisterAutostart(autostart_, kAutostartEntryName);
    EXPECT_FALSE(QFile::exists(EntryFile()));
    UnregisterAutostart(autostart_, kAutostartEntryName);
    // The list itself reports a missing entry, as its contract says.
    EXPECT_THROW(autostart_.StopStartingAtLogIn(kAutostartEntryName), AutostartError);
}

TEST_F(XdgAutostartTest, FolderComesFromTheEnvironmentAtEachCallOrFromTheCaller) {
    QTemporaryDir other;
    setenv("XDG_CONFIG_HOME", QFile::encodeName(other.path()), 1);
    RegisterAutostart(autostart_, "/usr/bin/agendix", kAutostartEntryName);
    EXPECT_TRUE(QFile::exists(other.filePath(QStringLiteral("autostart/Agendix.desktop"))));

    XdgAutostart injected(other.filePath(QStringLiteral("chosen")));
    RegisterAutostart(injected, "/usr/bin/agendix", kAutostartEntryName);
    EXPECT_TRUE(QFile::exists(other.filePath(QStringLiteral("chosen/Agendix.desktop"))));
}

TEST_F(XdgAutostartTest, RegistrationThatCannotBeWrittenIsAClearError) {
    // A plain file where the folder should be stops even a privileged user.
    QFile blocker(config_.filePath(QStringLiteral("autostart")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    try {
        RegisterAutostart(autostart_, "/usr/bin/agendix", kAutostartEntryName);
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
    EXPECT_THROW(RegisterAutostart(autostart_, "/usr/bin/agendix", kAutostartEntryName),
                 AutostartError);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(XdgAutostartTest, RefusesWhatCannotBeAnEntry) {
    EXPECT_THROW(RegisterAutostart(autostart_, "relative/agendix", "Agendix"), AutostartError);
    EXPECT_THROW(RegisterAutostart(autostart_, "/line\nbreak", "Agendix"), AutostartError);
    EXPECT_THROW(RegisterAutostart(autostart_, "/not/utf8/\xff", "Agendix"), AutostartError);
    for (const char* name : {"", "../escape", "sub/key", "sub\\key", ".hidden"}) {
        EXPECT_THROW(RegisterAutostart(autostart_, "/usr/bin/agendix", name), AutostartError)
            << name;
    }
    EXPECT_THROW(autostart_.StopStartingAtLogIn("../escape"), AutostartError);
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_FALSE(QDir(config_.filePath(QStringLiteral("autostart")))
                     .exists(QStringLiteral("../escape.desktop")));
}

}  // namespace
}  // namespace agendix::settings
