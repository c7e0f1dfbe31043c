#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>

#include "settings/store/core/SettingsFormat.h"
#include "settings/store/linux/IniSettingsStore.h"

namespace agendix::settings {
namespace {

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

// The id of a process that has ended.
qint64 EndedProcessId() {
    QProcess process;
    process.start(QStringLiteral("true"), {});
    process.waitForStarted();
    const qint64 id = process.processId();
    process.waitForFinished();
    return id;
}

// A lock file at `path` as Qt writes it, but naming a process that has ended.
QByteArray LockFileOfAnEndedProcess(const QString& path) {
    QLockFile lock(path);
    lock.lock();
    const QByteArray text = ReadAll(path);
    lock.unlock();
    return QByteArray::number(EndedProcessId()) + text.mid(text.indexOf('\n'));
}

// Files beside the store's own that hold a set-aside copy.
QStringList SetAsideFiles(const QDir& folder) {
    return folder.entryList({QStringLiteral("agendix.ini.corrupt-*")}, QDir::Files);
}

// A temporary folder that is also the XDG configuration folder, so nothing reaches the real one.
class TemporaryConfigHome {
  public:
    TemporaryConfigHome() { setenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.path()), 1); }
    QString File() const { return dir_.filePath(QStringLiteral("agendix/agendix.ini")); }
    QDir Folder() const { return QDir(dir_.filePath(QStringLiteral("agendix"))); }

  private:
    QTemporaryDir dir_;
};

class IniSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(home_.Folder().path())); }
    std::string Read(const char* key, const char* defaultValue = "") {
        return IniSettingsStore(home_.File())
            .GetValue(kSettingsApp, kSettingsSection, key, defaultValue);
    }

    TemporaryConfigHome home_;
    IniSettingsStore store_{home_.File()};
};

TEST_F(IniSettingsStoreTest, EmptyStoreGivesEveryDefault) {
    EXPECT_EQ(store_.GetValue(kSettingsApp, kSettingsSection, kKeyTimer), "");
    EXPECT_EQ(store_.GetValue(kSettingsApp, kSettingsSection, kKeyAutoStart, "yes"), "yes");
    EXPECT_EQ(store_.GetValue(kSettingsApp, kSettingsSection, kKeyTomorrow, "no"), "no");
    EXPECT_FALSE(store_.TakeWarning());
}

TEST_F(IniSettingsStoreTest, NamesMatchWithoutRegardToCaseAtEveryLevel) {
    store_.SaveValue("Agendix", "Settings", "Mouseover", "no");
    EXPECT_EQ(store_.GetValue("Agendix", "Settings", "MouseOver", "yes"), "no");
    EXPECT_EQ(store_.GetValue("AGENDIX", "settings", "mOUSEoVER", "yes"), "no");
    store_.SaveValue("agendix", "SETTINGS", "MouseOver", "yes");
    EXPECT_EQ(Read("Mouseover"), "yes");
    EXPECT_EQ(ReadAll(home_.File()).count("ouse"), 1);
}

TEST_F(IniSettingsStoreTest, DefaultAppliesOnlyToAnAbsentEntry) {
    store_.SaveValue(kSettingsApp, kSettingsSection, kKeyAutoStart, "");
    EXPECT_EQ(Read(kKeyAutoStart, "yes"), "");
}

TEST_F(IniSettingsStoreTest, SaveReplacesAndEntriesStaySeparate) {
    store_.SaveValue("Agendix", "Settings", "timer", "10");
    store_.SaveValue("Agendix", "Settings", "timer", "15");
    store_.SaveValue("Agendix", "Other", "timer", "3");
    store_.SaveValue("Another", "Settings", "timer", "4");
    EXPECT_EQ(Read("timer"), "15");
    EXPECT_EQ(store_.GetValue("Agendix", "Other", "timer"), "3");
    EXPECT_EQ(store_.GetValue("Another", "Settings", "timer"), "4");
}

// Values that the INI format has to escape come back as they were, and the file that holds them
// is never taken for a damaged one.
TEST_F(IniSettingsStoreTest, ValuesComeBackExactlyAsSaved) {
    const std::string values[] = {"Yes",      " 7 ",         "a, b",     "@Variant(x)",
                                  "x=y;z#",   "\" \\ /",     "Zürich ✓", "line\nbreak\ttab",
                                  "\x01\x1f", "[section]\n", "  ",       "2.5e1"};
    for (const std::string& value : values) {
        store_.SaveValue(kSettingsApp, kSettingsSection, "value", value);
        IniSettingsStore reopened(home_.File());
        EXPECT_EQ(reopened.GetValue(kSettingsApp, kSettingsSection, "value"), value);
        EXPECT_EQ(reopened.TakeWarning(), std::nullopt);
    }
    store_.SaveValue("Ä", "§ ü", "=;#", "x");
    EXPECT_EQ(IniSettingsStore(home_.File()).GetValue("ä", "§ Ü", "=;#"), "x");
}

TEST_F(IniSettingsStoreTest, RejectsNamesThatWouldBuildPaths) {
    for (const char* name : {"", "a/b", "a\\b"}) {
        EXPECT_THROW(store_.SaveValue(kSettingsApp, kSettingsSection, name, "x"), SettingsError);
        EXPECT_THROW(store_.GetValue(name, kSettingsSection, kKeyTimer), SettingsError);
    }
}

TEST_F(IniSettingsStoreTest, LivesUnderTheXdgConfigurationFolder) {
    EXPECT_EQ(DefaultSettingsFile(), home_.File());
    setenv("XDG_CONFIG_HOME", "relative/path", 1);
    EXPECT_EQ(DefaultSettingsFile(),
              QDir::homePath() + QStringLiteral("/.config/agendix/agendix.ini"));
}

TEST_F(IniSettingsStoreTest, SaveHasReachedTheFileWhenItReturns) {
    QDir(home_.Folder()).removeRecursively();
    IniSettingsStore store(home_.File());
    store.SaveValue(kSettingsApp, kSettingsSection, kKeyTimer, "10");
    EXPECT_TRUE(ReadAll(home_.File()).contains("timer=10"));
    EXPECT_EQ(Read(kKeyTimer), "10");
}

TEST_F(IniSettingsStoreTest, FindsEntriesOfAHandWrittenFileInAnyLetterCase) {
    WriteAll(home_.File(),
             "; written by hand\n[agendix]\nSETTINGS\\mouseover=no\nsettings\\MOUSEOVER=maybe\n"
             "settings\\Tomorrow=yes\n");
    IniSettingsStore store(home_.File());
    EXPECT_FALSE(store.TakeWarning());
    EXPECT_EQ(store.GetValue("Agendix", "Settings", "MouseOver", "yes"), "no");
    store.SaveValue("Agendix", "Settings", "Mouseover", "yes");
    const QByteArray text = ReadAll(home_.File());
    EXPECT_EQ(text.count("ouseover"), 1) << text.toStdString();
    EXPECT_TRUE(text.contains("[agendix]")) << text.toStdString();
    EXPECT_EQ(Read("Tomorrow"), "yes");
}

TEST_F(IniSettingsStoreTest, DamagedFileIsKeptAsideAndTheStoreStartsEmpty) {
    const QByteArray damaged[] = {
        QByteArray("[Agendix]\nSettings\\timer=10\0\x01\x02", 31),
        "[Agendix]\nSettings\\timer=\xff\xfe\n",
        "[Agendix]\nSettings\\timer=10\nthis line is no entry\n",
        "[Agendix\nSettings\\timer=10\n",
    };
    for (const QByteArray& bytes : damaged) {
        for (const QString& name : SetAsideFiles(home_.Folder())) {
            QFile::remove(home_.Folder().filePath(name));
        }
        WriteAll(home_.File(), bytes);
        IniSettingsStore store(home_.File());
        const std::optional<std::string> warning = store.TakeWarning();
        ASSERT_TRUE(warning);
        EXPECT_NE(warning->find(home_.File().toStdString()), std::string::npos) << *warning;
        EXPECT_NE(warning->find("defaults"), std::string::npos) << *warning;
        EXPECT_FALSE(store.TakeWarning());

        const QStringList aside = SetAsideFiles(home_.Folder());
        ASSERT_EQ(aside.size(), 1);
        EXPECT_EQ(ReadAll(home_.Folder().filePath(aside[0])), bytes);
        EXPECT_EQ(store.GetValue(kSettingsApp, kSettingsSection, kKeyTimer, "none"), "none");

        store.SaveValue(kSettingsApp, kSettingsSection, kKeyTomorrow, "yes");
        EXPECT_EQ(Read(kKeyTomorrow), "yes");
        EXPECT_EQ(Read(kKeyTimer, "none"), "none");
    }
}

TEST_F(IniSettingsStoreTest, FileDamagedWhileRunningIsNotWrittenOver) {
    IniSettingsStore store(home_.File());
    store.SaveValue(kSettingsApp, kSettingsSection, kKeyTimer, "5");
    WriteAll(home_.File(), "not an ini file\n");
    store.SaveValue(kSettingsApp, kSettingsSection, kKeyTomorrow, "yes");
    const std::optional<std::string> warning = store.TakeWarning();
    ASSERT_TRUE(warning);
    EXPECT_NE(warning->find("saved in a new file"), std::string::npos) << *warning;
    const QStringList aside = SetAsideFiles(home_.Folder());
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadAll(home_.Folder().filePath(aside[0])), "not an ini file\n");
}

TEST_F(IniSettingsStoreTest, SaveThatCannotReachTheFileIsAnErrorNamingIt) {
    // A plain file where the folder should be stops even a privileged user.
    QTemporaryDir dir;
    WriteAll(dir.filePath(QStringLiteral("agendix")), "in the way");
    const QString file = dir.filePath(QStringLiteral("agendix/agendix.ini"));
    IniSettingsStore store(file);
    try {
        store.SaveValue(kSettingsApp, kSettingsSection, kKeyTimer, "10");
        FAIL() << "the save reported success";
    } catch (const SettingsError& error) {
        EXPECT_NE(std::string(error.what()).find(file.toStdString()), std::string::npos)
            << error.what();
    }
}

TEST_F(IniSettingsStoreTest, KillsInTheMiddleOfSavesLeaveAReadableStore) {
    int lastInterval = 0;
    for (int round = 0; round < 25; ++round) {
        QProcess saver;
        saver.start(QStringLiteral(SAVE_LOOP_PROGRAM), {home_.File()});
        ASSERT_TRUE(saver.waitForReadyRead(10000))
            << "round " << round << ": " << saver.errorString().toStdString() << ' '
            << saver.readAllStandardError().toStdString();
        QThread::usleep(QRandomGenerator::global()->bounded(1000u, 30000u));
        saver.kill();
        ASSERT_TRUE(saver.waitForFinished(10000));

        IniSettingsStore store(home_.File());
        ASSERT_EQ(store.TakeWarning(), std::nullopt) << "round " << round;
        const std::string timer = store.GetValue(kSettingsApp, kSettingsSection, kKeyTimer);
        const int interval = ReadCheckInterval(timer);
        EXPECT_EQ(WriteCheckInterval(interval), timer);
        EXPECT_GT(interval, lastInterval);
        lastInterval = interval;
        const std::string padding = store.GetValue(kSettingsApp, kSettingsSection, "padding");
        ASSERT_EQ(padding.size(), 50000u);
        EXPECT_EQ(padding.find_first_not_of(padding[0]), std::string::npos);
    }
}

// Qt's lock file as a saver killed while taking it leaves it: empty when the kill came before the
// saver wrote its process id, else naming a process that has ended.
TEST_F(IniSettingsStoreTest, LockFileLeftByAKilledSaverDoesNotHoldUpTheNextSave) {
    const QString qtLockFile = home_.File() + QStringLiteral(".lock");
    const QByteArray leftovers[] = {"", LockFileOfAnEndedProcess(qtLockFile)};
    store_.SaveValue(kSettingsApp, kSettingsSection, kKeyTimer, "5");
    int minutes = 5;
    for (const QByteArray& leftover : leftovers) {
        WriteAll(qtLockFile, leftover);
        const std::string timer = WriteCheckInterval(++minutes);
        QElapsedTimer saving;
        saving.start();
        store_.SaveValue(kSettingsApp, kSettingsSection, kKeyTimer, timer);
        EXPECT_LT(saving.elapsed(), 2000)
            << "lock file holding \"" << leftover.toStdString() << '"';
        EXPECT_EQ(Read(kKeyTimer), timer);
    }
}

TEST_F(IniSettingsStoreTest, ProgramsSavingAtOnceKeepEachOthersEntries) {
    const int count = 60;
    const char* prefixes[] = {"first", "second"};
    QProcess savers[2];
    for (int index = 0; index < 2; ++index) {
        savers[index].start(
            QStringLiteral(SAVE_KEYS_PROGRAM),
            {home_.File(), QString::fromLatin1(prefixes[index]), QString::number(count)});
    }
    for (QProcess& saver : savers) {
        ASSERT_TRUE(saver.waitForFinished(60000)) << saver.errorString().toStdString();
        ASSERT_TRUE(saver.exitStatus() == QProcess::NormalExit && saver.exitCode() == 0)
            << saver.readAllStandardError().toStdString();
    }
    IniSettingsStore store(home_.File());
    for (const char* prefix : prefixes) {
        for (int number = 1; number <= count; ++number) {
            const std::string text = std::to_string(number);
            EXPECT_EQ(store.GetValue(kSettingsApp, kSettingsSection, prefix + text), text)
                << prefix << text;
        }
    }
}

}  // namespace
}  // namespace agendix::settings
