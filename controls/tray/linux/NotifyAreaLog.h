#pragma once

#include <QLoggingCategory>

namespace agendix::controls {

// Failures of the notification area, shown on stderr only when debug output is switched on
// (QT_LOGGING_RULES="agendix.tray.debug=true").
Q_DECLARE_LOGGING_CATEGORY(lcNotifyArea)

}  // namespace agendix::controls
