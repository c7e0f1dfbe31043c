#include "controls/groupbox/qt/QtThemePlatform.h"

#include <QApplication>
#include <QStyle>
#include <QVersionNumber>

namespace agendix::controls {
namespace {

// The first system version that drew controls with visual styles.
constexpr std::uint32_t kStyledSystemMajor = 5;
constexpr std::uint32_t kStyledSystemMinor = 1;

}  // namespace

void QtThemePlatform::GetVersionExA(OSVERSIONINFOA& info) const {
    if (info.dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        return;
    }
    info.dwMajorVersion = kStyledSystemMajor;
    info.dwMinorVersion = kStyledSystemMinor;
}

int QtThemePlatform::IsAppThemed() const {
    const auto* application = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (application == nullptr) {
        return 0;
    }
    return QApplication::style()->name().compare("windows", Qt::CaseInsensitive) == 0 ? 0 : 1;
}

void QtThemePlatform::DllGetVersion(DLLVERSIONINFO& info) const {
    if (info.cbSize != sizeof(DLLVERSIONINFO)) {
        return;
    }
    const QVersionNumber widgets = QVersionNumber::fromString(QString::fromLatin1(qVersion()));
    info.dwMajorVersion = static_cast<std::uint32_t>(widgets.majorVersion());
    info.dwMinorVersion = static_cast<std::uint32_t>(widgets.minorVersion());
    info.dwBuildNumber = static_cast<std::uint32_t>(widgets.microVersion());
}

}  // namespace agendix::controls
