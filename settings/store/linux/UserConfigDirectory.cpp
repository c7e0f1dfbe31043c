#include "settings/store/linux/UserConfigDirectory.h"

#include <QDir>

#include "common/linux/Environment.h"

namespace agendix::settings {

QString UserConfigDirectory() {
    if (const auto folder = common::XdgConfigHome(common::ProcessEnvironment)) {
        return QString::fromStdString(folder->string());
    }
    // No usable HOME: the account's home folder from the password database.
    return QDir::homePath() + QStringLiteral("/.config");
}

}  // namespace agendix::settings
