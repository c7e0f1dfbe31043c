#include "controls/host/qt/QtMessageService.h"

#include <QMessageBox>

namespace agendix::controls {

void QtMessageService::ShowMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon,
                    caption.empty() ? applicationTitle_ : QString::fromStdString(caption),
                    QString::fromStdString(text), QMessageBox::Ok, parent_);
    box.exec();
}

}  // namespace agendix::controls
