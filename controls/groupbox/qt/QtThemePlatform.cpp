#include "controls/groupbox/qt/QtThemePlatform.h"

#include <QApplication>
#include <QStyle>

#include "common/core/Ascii.h"

namespace agendix::controls {

bool QtThemePlatform::CanDrawThemed() const {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) {
        return false;
    }
    // Style names are ASCII and Qt matches them without regard to case.
    return !common::EqualsNoCase(QApplication::style()->name().toStdString(), "windows");
}

}  // namespace agendix::controls
