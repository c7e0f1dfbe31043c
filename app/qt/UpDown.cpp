#include "app/qt/UpDown.h"

#include <QVBoxLayout>

#include "app/core/SpinnerStep.h"

namespace agendix::app {

UpDown::UpDown(QWidget* parent) : QWidget(parent), value_(2) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto [button, arrow, step] :
         {std::tuple{&up_, Qt::UpArrow, 1}, std::tuple{&down_, Qt::DownArrow, -1}}) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
        layout->addWidget(button);
        connect(button, &QToolButton::clicked, this, [this, step = step] { Step(step); });
    }
    up_.setAccessibleName(tr("Increase"));
    down_.setAccessibleName(tr("Decrease"));
}

void UpDown::SetBuddy(QLineEdit* box) {
    buddy_ = box;
    SetValue(value_);
}

void UpDown::SetValue(int value) {
    value_ = value;
    if (buddy_) {
        buddy_->setText(QString::number(value_));
    }
}

void UpDown::Step(int step) {
    const QString shown = buddy_ ? buddy_->text() : QString::number(value_);
    const int stepped = StepSpinner(shown.toStdString(), value_, step);
    // A press that changes the number shown is a change, also when the spinner held that value
    // already: the box may show a stored interval the arrows never set.
    const bool changed = stepped != value_ || shown.trimmed() != QString::number(stepped);
    SetValue(stepped);
    if (changed) {
        emit Change();
    }
}

}  // namespace agendix::app
