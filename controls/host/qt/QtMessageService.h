#pragma once

#include <QPointer>
#include <QWidget>

#include "common/core/MessageService.h"

namespace agendix::controls {

// Message boxes as modal Qt dialogs over `parent` (when it still exists), captioned with the
// application's title unless the caller names a caption.
class QtMessageService : public common::MessageService {
  public:
    QtMessageService(QString applicationTitle, QWidget* parent = nullptr)
        : applicationTitle_(std::move(applicationTitle)), parent_(parent) {}

    void ShowMessage(const std::string& text, const std::string& caption) override;

  private:
    QString applicationTitle_;
    QPointer<QWidget> parent_;
};

}  // namespace agendix::controls
