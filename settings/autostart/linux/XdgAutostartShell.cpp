#include "settings/autostart/linux/XdgAutostartShell.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "settings/autostart/linux/DesktopEntry.h"
#include "settings/store/linux/UserConfigDirectory.h"

namespace agendix::settings {
namespace {

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
        };
        return lower(x) == lower(y);
    });
}

std::string Quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

// The value's name from its full name: the start-up list key (registry names ignore letter case)
// and then a plain name, which becomes a file name.
QString EntryName(std::string_view fullName) {
    const std::string_view runKey = kRunKey;
    const std::string_view name =
        fullName.size() > runKey.size() ? fullName.substr(runKey.size()) : std::string_view();
    if (!EqualIgnoringAsciiCase(fullName.substr(0, runKey.size()), runKey) || name.empty() ||
        name.find_first_of("/\\") != std::string_view::npos || name.starts_with('.')) {
        throw AutostartError("Cannot start " + Quoted(fullName) +
                             " at log-in: only plain names in the start-up list are supported.");
    }
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

class XdgAutostartShell final : public ScriptShell {
  public:
    explicit XdgAutostartShell(QString folder) : folder_(std::move(folder)) {}

    void RegWrite(std::string_view fullName, std::string_view value) override {
        const QString name = EntryName(fullName);
        const std::string entry = AutostartDesktopEntry(name.toStdString(), value);
        if (!QDir().mkpath(folder_)) {
            throw AutostartError("Could not create the autostart folder " +
                                 Quoted(folder_.toStdString()) + ".");
        }
        QSaveFile file(EntryFile(name));
        const auto size = static_cast<qint64>(entry.size());
        if (!file.open(QIODevice::WriteOnly) || file.write(entry.data(), size) != size ||
            !file.commit()) {
            throw AutostartError("Could not write the autostart entry " +
                                 Quoted(file.fileName().toStdString()) + ": " +
                                 file.errorString().toStdString() + ".");
        }
    }

    void RegDelete(std::string_view fullName) override {
        QFile file(EntryFile(EntryName(fullName)));
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

  private:
    QString EntryFile(const QString& name) const {
        return folder_ + u'/' + name + QStringLiteral(".desktop");
    }

    QString folder_;
};

}  // namespace

XdgAutostartShellFactory::XdgAutostartShellFactory(QString autostartFolder)
    : autostartFolder_(std::move(autostartFolder)) {}

std::unique_ptr<ScriptShell> XdgAutostartShellFactory::CreateObject(std::string_view programId) {
    if (!EqualIgnoringAsciiCase(programId, "wscript.shell")) {
        throw AutostartError("There is no shell object named " + Quoted(programId) + ".");
    }
    return std::make_unique<XdgAutostartShell>(
        autostartFolder_.isEmpty() ? UserConfigDirectory() + QStringLiteral("/autostart")
                                   : autostartFolder_);
}

}  // namespace agendix::settings
