#include "about/linux/LinuxSysInfo.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

namespace agendix::about {
namespace {

bool IsProgram(const QString& path) {
    const QFileInfo file(path);
    return file.isFile() && file.isExecutable();
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

std::string LinuxSysInfo::FindTool() {
    if (IsProgram(configuredProgram_)) {
        return configuredProgram_.toStdString();
    }
    for (const QString& folder : searchFolders_) {
        const QDir directory(folder);
        for (const QString& name : kKnownPrograms) {
            const QString path = directory.filePath(name);
            if (IsProgram(path)) {
                return path.toStdString();
            }
        }
    }
    return {};
}

bool LinuxSysInfo::StartTool(const std::string& program) {
    return QProcess::startDetached(QString::fromStdString(program), {});
}

}  // namespace agendix::about
