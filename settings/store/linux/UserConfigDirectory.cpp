#include "settings/store/linux/UserConfigDirectory.h"

#include <QDir>
#include <QStandardPaths>

namespace agendix::settings {

QString UserConfigDirectory() {
    const QString location =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    if (QDir::isAbsolutePath(location)) {
        return location;
    }
    return QDir::homePath() + QStringLiteral("/.config");
}

}  // namespace agendix::settings
