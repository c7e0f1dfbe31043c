#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <QWidget>

namespace agendix::app {

// A spin control: two arrow buttons attached to a text box. The arrows step the number that
// the box shows by one within the control's range, write the new value into the box and
// report Change. Text typed into the box changes nothing until an arrow is pressed.
class UpDown : public QWidget {
    Q_OBJECT

  public:
    explicit UpDown(QWidget* parent = nullptr);

    void SetBuddy(QLineEdit* box);
    int Value() const { return value_; }
    // Sets the value and shows it in the box, without a Change notification.
    void SetValue(int value);

  signals:
    // The user changed the value with the arrows.
    void Change();

  private:
    void Step(int step);

    QToolButton up_;
    QToolButton down_;
    QPointer<QLineEdit> buddy_;
    int value_;
};

}  // namespace agendix::app
