#pragma once

#include <QPointer>
#include <QWidget>

#include "controls/host/qt/HostServices.h"

namespace agendix::controls {

// Message boxes as modal Qt dialogs over `parent` (when it still exists).
class QtMessageService : public MessageService {
  public:
    QtMessageService(QString applicationTitle, QWidget* parent = nullptr)
        : applicationTitle_(std::move(applicationTitle)), parent_(parent) {}

    void ShowMessage(const QString& text) override;

  private:
    QString applicationTitle_;
    QPointer<QWidget> parent_;
};

}  // namespace agendix::controls
