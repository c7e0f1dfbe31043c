#pragma once

#include <QLabel>
#include <functional>

namespace agendix::about {

// Two lines that make an etched separator: a grey line, and a white one a pixel lower and a
// pixel further right.
class EtchedLine : public QWidget {
  public:
    explicit EtchedLine(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// A label that acts as a link: underlined, a pointing hand over it, `onClick` on a left click.
class LinkLabel : public QLabel {
  public:
    LinkLabel(const QString& text, std::function<void()> onClick, QWidget* parent = nullptr);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    std::function<void()> onClick_;
};

// `family` at `pointSize`, or the system's sans-serif font when `family` is not installed.
QFont FontOrSansSerif(const QString& family, qreal pointSize);

}  // namespace agendix::about
