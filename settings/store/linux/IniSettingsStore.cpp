#include "settings/store/linux/IniSettingsStore.h"

#include <sys/file.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringDecoder>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#include "settings/store/linux/UserConfigDirectory.h"

namespace agendix::settings {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Quoted(const QString& text) {
    return "\"" + text.toStdString() + "\"";
}

// The names among `names` that equal `name` without regard to letter case.
QStringList Matching(const QStringList& names, std::string_view name) {
    const QString wanted = FromUtf8(name);
    QStringList matching;
    for (const QString& candidate : names) {
        if (candidate.compare(wanted, Qt::CaseInsensitive) == 0) {
            matching.append(candidate);
        }
    }
    return matching;
}

// The QSettings paths of every stored spelling of an entry; more than one only in a file edited
// by hand.
QStringList StoredEntryPaths(QSettings& settings, std::string_view application,
                             std::string_view section, std::string_view key) {
    QStringList paths;
    for (const QString& applicationName : Matching(settings.childGroups(), application)) {
        settings.beginGroup(applicationName);
        for (const QString& sectionName : Matching(settings.childGroups(), section)) {
            settings.beginGroup(sectionName);
            for (const QString& keyName : Matching(settings.childKeys(), key)) {
                paths.append(settings.group() + u'/' + keyName);
            }
            settings.endGroup();
        }
        settings.endGroup();
    }
    return paths;
}

// The QSettings path for a new entry, in the application's and section's groups where they
// exist already (in whatever letter case), so that they are not repeated.
QString NewEntryPath(QSettings& settings, std::string_view application, std::string_view section,
                     std::string_view key) {
    const auto spelling = [](const QStringList& stored, std::string_view name) {
        return stored.isEmpty() ? FromUtf8(name) : stored.first();
    };
    const QString applicationName =
        spelling(Matching(settings.childGroups(), application), application);
    settings.beginGroup(applicationName);
    const QString sectionName = spelling(Matching(settings.childGroups(), section), section);
    settings.endGroup();
    return applicationName + u'/' + sectionName + u'/' + FromUtf8(key);
}

// A line the INI reader understands: blank, a comment, a [section] or a name=value entry.
bool IsIniLine(const QString& line) {
    const QString text = line.trimmed();
    return text.isEmpty() || text.startsWith(u';') || text.startsWith(u'#') ||
           (text.startsWith(u'[') && text.endsWith(u']')) || text.contains(u'=');
}

// Why the file cannot serve as the store, or nothing when it can or does not exist yet.
// QSettings reads almost anything as INI and drops what it does not understand, so the text is
// checked first: writing such a file back would silently lose what was in it.
std::optional<QString> FindDamage(const QString& filePath) {
    QFile file(filePath);
    if (!file.exists()) {
        return std::nullopt;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return QStringLiteral("it cannot be opened (%1)").arg(file.errorString());
    }
    const QByteArray bytes = file.readAll();
    if (bytes.contains('\0')) {
        return QStringLiteral("it holds binary data, not text");
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        return QStringLiteral("it is not UTF-8 text");
    }
    const QStringList lines = text.split(u'\n');
    bool continued = false;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        if (!continued && !IsIniLine(lines[index])) {
            return QStringLiteral("line %1 is not an INI section, comment or name=value entry")
                .arg(index + 1);
        }
        continued = lines[index].trimmed().endsWith(u'\\');
    }
    if (QSettings(filePath, QSettings::IniFormat).status() != QSettings::NoError) {
        return QStringLiteral("it is not a valid INI file");
    }
    return std::nullopt;
}

// Where a damaged file is kept: beside it, named after the moment it was found.
QString AsideName(const QString& filePath) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    const QString base = filePath + QStringLiteral(".corrupt-") + stamp;
    QString name = base;
    for (int number = 2; QFileInfo::exists(name); ++number) {
        name = base + u'-' + QString::number(number);
    }
    return name;
}

// A stored value as text; a hand-written list ("a,b", which the INI format reads as a list)
// comes back with its parts joined by ", ".
std::string ValueText(const QVariant& value) {
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

std::string WriteFailure(const QString& filePath) {
    const QFileInfo file(filePath);
    if (!file.absoluteDir().exists()) {
        return "its folder " + Quoted(file.absolutePath()) + " could not be created";
    }
    return "the file could not be written in " + Quoted(file.absolutePath()) +
           " (check permissions and free space)";
}

// Every save holds this lock while it reads, changes and replaces the file, so that the saves of
// two running programs never interleave. It is a kernel lock (flock) on a file beside the
// settings, which ends with its holder however the holder ends.
class SaveLock {
  public:
    explicit SaveLock(const QString& settingsFile)
        : file_(settingsFile + QStringLiteral(".save-lock")) {
        // QSettings would make a missing folder, but the lock comes first.
        QDir().mkpath(QFileInfo(settingsFile).absolutePath());
        if (!file_.open(QIODevice::ReadWrite, QFile::ReadOwner | QFile::WriteOwner)) {
            throw SettingsError("Could not save in the settings file " + Quoted(settingsFile) +
                                ": " + WriteFailure(settingsFile) + ".");
        }
        // Waits only for a running saver: the kernel drops a lock whose holder has ended.
        while (::flock(file_.handle(), LOCK_EX) != 0) {
            const int error = errno;
            if (error != EINTR) {
                throw SettingsError("Could not lock " + Quoted(file_.fileName()) +
                                    " to save the settings: " + std::strerror(error) + ".");
            }
        }
    }

  private:
    QFile file_;
};

// Removes the lock file that QSettings takes while it replaces the file. Every saver holds the
// save lock before it takes that one, so while the save lock is held such a file can only be
// left by a saver that was killed. Qt counts an empty one (a kill before its process id was
// written) as taken for half a minute, and the save would wait that long.
void RemoveLeftoverQtLockFile(const QString& settingsFile) {
    QFile::remove(settingsFile + QStringLiteral(".lock"));
}

}  // namespace

QString DefaultSettingsFile() {
    return UserConfigDirectory() + QStringLiteral("/agendix/agendix.ini");
}

IniSettingsStore::IniSettingsStore(QString filePath) : filePath_(std::move(filePath)) {
    SetAsideDamagedFile("the options start again from their defaults");
}

std::optional<std::string> IniSettingsStore::TakeWarning() {
    return std::exchange(warning_, std::nullopt);
}

void IniSettingsStore::SetAsideDamagedFile(std::string_view consequence) {
    const std::optional<QString> damage = FindDamage(filePath_);
    if (!damage) {
        return;
    }
    const std::string problem =
        "The settings file " + Quoted(filePath_) + " could not be used: " + damage->toStdString();
    const QString aside = AsideName(filePath_);
    std::error_code error;
    std::filesystem::rename(QFile::encodeName(filePath_).toStdString(),
                            QFile::encodeName(aside).toStdString(), error);
    if (error) {
        savesRefused_ = problem + ". It could not be moved aside either (" + error.message() +
                        "), so it is left as it is and options are not saved.";
        warning_ = savesRefused_;
        return;
    }
    warning_ =
        problem + ". It was kept as " + Quoted(aside) + " and " + std::string(consequence) + ".";
}

std::optional<std::string> IniSettingsStore::FindValue(std::string_view application,
                                                       std::string_view section,
                                                       std::string_view key) const {
    if (!savesRefused_.empty()) {
        return std::nullopt;
    }
    QSettings settings(filePath_, QSettings::IniFormat);
    const QStringList paths = StoredEntryPaths(settings, application, section, key);
    if (paths.isEmpty()) {
        return std::nullopt;
    }
    return ValueText(settings.value(paths.first()));
}

void IniSettingsStore::StoreValue(std::string_view application, std::string_view section,
                                  std::string_view key, std::string_view value) {
    // Declared before the QSettings so that it is held until that is gone.
    const SaveLock lock(filePath_);
    if (savesRefused_.empty()) {
        SetAsideDamagedFile("the options are saved in a new file");
    }
    if (!savesRefused_.empty()) {
        throw SettingsError(savesRefused_);
    }
    RemoveLeftoverQtLockFile(filePath_);
    // A QSettings per save: its status then tells about this save alone. Atomic sync is Qt's
    // default: the file is written to a temporary beside it and renamed over it.
    QSettings settings(filePath_, QSettings::IniFormat);
    QStringList paths = StoredEntryPaths(settings, application, section, key);
    const QString path =
        paths.isEmpty() ? NewEntryPath(settings, application, section, key) : paths.takeFirst();
    // Spellings that differ only in letter case are one entry: the save leaves one of them.
    for (const QString& duplicate : paths) {
        settings.remove(duplicate);
    }
    settings.setValue(path, FromUtf8(value));
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        throw SettingsError("Could not save the option \"" + std::string(key) +
                            "\" in the settings file " + Quoted(filePath_) + ": " +
                            WriteFailure(filePath_) + ".");
    }
}

}  // namespace agendix::settings
