#include "about/qt/QtUrlOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace agendix::about {

bool QtUrlOpener::OpenUrl(const std::string& target) {
    return QDesktopServices::openUrl(QUrl(QString::fromStdString(target), QUrl::StrictMode));
}

}  // namespace agendix::about
