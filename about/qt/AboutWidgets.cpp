#include "about/qt/AboutWidgets.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>

namespace agendix::about {

EtchedLine::EtchedLine(QWidget* parent) : QWidget(parent) {
    setFixedHeight(2);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void EtchedLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QColor(128, 128, 128));
    painter.drawLine(0, 0, width() - 2, 0);
    painter.setPen(Qt::white);
    painter.drawLine(1, 1, width() - 1, 1);
}

LinkLabel::LinkLabel(const QString& text, std::function<void()> onClick, QWidget* parent)
    : QLabel(text, parent), onClick_(std::move(onClick)) {
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        onClick_();
    }
    QLabel::mouseReleaseEvent(event);
}

QFont FontOrSansSerif(const QString& family, qreal pointSize) {
    // "sans-serif" is the desktop's alias for its sans-serif face.
    QFont font(QFontDatabase::hasFamily(family) ? family : QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    return font;
}

}  // namespace agendix::about
