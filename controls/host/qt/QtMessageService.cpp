#include "controls/host/qt/QtMessageService.h"

#include <QMessageBox>

namespace agendix::controls {

void QtMessageService::ShowMessage(const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, applicationTitle_, text, QMessageBox::Ok, parent_);
    box.exec();
}

}  // namespace agendix::controls
