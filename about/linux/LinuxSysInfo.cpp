#include "about/linux/LinuxSysInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstring>

namespace agendix::about {
namespace {

enum OpenKeys : RegistryKey { kSysInfoKey = 1, kSysInfoLocationKey = 2 };

bool IsProgram(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
}

bool SameName(const std::string& name, const char* expected) {
    return QString::fromStdString(name).compare(QLatin1String(expected), Qt::CaseInsensitive) == 0;
}

// The absolute folders of a search path: a relative one would find a program in whatever folder
// Agendix happened to be started from.
QStringList AbsoluteFolders(const QString& searchPath) {
    QStringList folders;
    for (const QString& folder : searchPath.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(folder)) {
            folders << folder;
        }
    }
    return folders;
}

}  // namespace

const QStringList LinuxSysInfo::kKnownPrograms = {
    QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
    QStringLiteral("lshw-gtk")};

LinuxSysInfo::LinuxSysInfo()
    : LinuxSysInfo(QStringLiteral(AGENDIX_SYSINFO_PROGRAM),
                   AbsoluteFolders(qEnvironmentVariable("PATH"))) {}

LinuxSysInfo::LinuxSysInfo(QString configuredProgram, QStringList searchFolders)
    : configuredProgram_(std::move(configuredProgram)), searchFolders_(std::move(searchFolders)) {}

long LinuxSysInfo::OpenKey(RegistryKey root, const std::string& keyName, std::uint32_t,
                           RegistryKey& key) {
    if (root != kHKeyLocalMachine) {
        return kErrorFileNotFound;
    }
    if (SameName(keyName, "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO")) {
        key = kSysInfoKey;
    } else if (SameName(keyName, "SOFTWARE\\Microsoft\\Shared Tools Location")) {
        key = kSysInfoLocationKey;
    } else {
        return kErrorFileNotFound;
    }
    return kErrorSuccess;
}

long LinuxSysInfo::QueryValue(RegistryKey key, const std::string& valueName, std::uint32_t& type,
                              unsigned char* data, std::uint32_t& size) {
    const QString text = ValueText(key, valueName);
    if (text.isEmpty()) {
        return kErrorFileNotFound;
    }
    // Stored as the platform stores text: 8-bit characters with a terminating zero.
    const QByteArray bytes = text.toLocal8Bit();
    const auto needed = static_cast<std::uint32_t>(bytes.size() + 1);
    if (needed > size) {
        size = needed;
        return kErrorMoreData;
    }
    std::memcpy(data, bytes.constData(), needed);
    type = kRegSz;
    size = needed;
    return kErrorSuccess;
}

QString LinuxSysInfo::ValueText(RegistryKey key, const std::string& valueName) {
    if (key == kSysInfoKey && SameName(valueName, "PATH")) {
        return IsProgram(configuredProgram_) ? configuredProgram_ : QString();
    }
    if (key == kSysInfoLocationKey && SameName(valueName, "MSINFO")) {
        return FolderWithKnownProgram();
    }
    return {};
}

QString LinuxSysInfo::FolderWithKnownProgram() {
    for (const QString& folder : searchFolders_) {
        if (!ProgramIn(folder.toStdString()).empty()) {
            return folder;
        }
    }
    return {};
}

std::string LinuxSysInfo::ProgramIn(const std::string& folder) {
    const QDir directory(QString::fromStdString(folder));
    for (const QString& name : kKnownPrograms) {
        const QString path = directory.filePath(name);
        if (IsProgram(path)) {
            return path.toStdString();
        }
    }
    return {};
}

bool LinuxSysInfo::StartProgram(const std::string& path) {
    return QProcess::startDetached(QString::fromStdString(path), {});
}

}  // namespace agendix::about
