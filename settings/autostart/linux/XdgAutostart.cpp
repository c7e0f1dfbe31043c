#include "settings/autostart/linux/XdgAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "settings/autostart/linux/DesktopEntry.h"
#include "settings/store/linux/UserConfigDirectory.h"

namespace agendix::settings {
namespace {

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

}  // namespace

XdgAutostart::XdgAutostart(QString autostartFolder)
    : autostartFolder_(std::move(autostartFolder)) {}

void XdgAutostart::StartAtLogIn(std::string_view entryName, std::string_view programPath) {
    const QString file = EntryFile(entryName);
    const std::string entry = AutostartDesktopEntry(entryName, programPath);
    const QString folder = QFileInfo(file).absolutePath();
    if (!QDir().mkpath(folder)) {
        throw AutostartError("Could not create the autostart folder " +
                             Quoted(folder.toStdString()) + ".");
    }
    QSaveFile saved(file);
    const auto size = static_cast<qint64>(entry.size());
    if (!saved.open(QIODevice::WriteOnly) || saved.write(entry.data(), size) != size ||
        !saved.commit()) {
        throw AutostartError("Could not write the autostart entry " +
                             Quoted(saved.fileName().toStdString()) + ": " +
                             saved.errorString().toStdString() + ".");
    }
}

void XdgAutostart::StopStartingAtLogIn(std::string_view entryName) {
    QFile file(EntryFile(entryName));
    if (!file.exists()) {
        throw AutostartError("There is no autostart entry " +
                             Quoted(file.fileName().toStdString()) + ".");
    }
    if (!file.remove()) {
        throw AutostartError("Could not remove the autostart entry " +
                             Quoted(file.fileName().toStdString()) + ": " +
                             file.errorString().toStdString() + ".");
    }
}

// The entry's file: its name becomes a file name in the folder, so it must stay a plain one.
QString XdgAutostart::EntryFile(std::string_view entryName) const {
    if (entryName.empty() || entryName.find_first_of("/\\") != std::string_view::npos ||
        entryName.starts_with('.')) {
        throw AutostartError("Cannot start " + Quoted(entryName) +
                             " at log-in: only plain names are supported.");
    }
    const QString folder = autostartFolder_.isEmpty()
                               ? UserConfigDirectory() + QStringLiteral("/autostart")
                               : autostartFolder_;
    return folder + u'/' +
           QString::fromUtf8(entryName.data(), static_cast<qsizetype>(entryName.size())) +
           QStringLiteral(".desktop");
}

}  // namespace agendix::settings
