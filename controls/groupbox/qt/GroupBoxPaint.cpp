// The group box's single drawing pass and what painting shows of it.

#include <qdrawutil.h>
#include <QBitmap>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include "controls/groupbox/qt/ColorValues.h"
#include "controls/groupbox/qt/GroupBox.h"

namespace agendix::controls {

using controls::Rect;

namespace {

constexpr int kFlatHighlightPenWidth = 2;
const QColor kFlatHighlight(0xFF, 0xFF, 0xFF);
const QColor kFlatOutline(0, 0, 0);

QRect ToQRect(const Rect& rect) {
    return {rect.left, rect.top, rect.width(), rect.height()};
}

void DrawOutline(QPainter& painter, int x1, int y1, int x2, int y2, int penWidth,
                 const QColor& color) {
    for (const Rect& band : controls::OutlineBands(x1, y1, x2, y2, penWidth)) {
        painter.fillRect(ToQRect(band), color);
    }
}

constexpr int kCaptionAlignment = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip;

// Large enough for any style's group box frame to show its top line.
constexpr int kFrameProbeSize = 64;

// How many pixels below the top of its rectangle `style` draws the top line of a group box frame,
// found by drawing one: the most opaque of the upper rows in the middle column (a style may leave
// see-through rows above the line and tint the inside faintly).
int FrameLineInset(const QStyle& style, QStyleOptionFrame frame, const QWidget* widget) {
    QImage probe(kFrameProbeSize, kFrameProbeSize, QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    frame.rect = probe.rect();
    QPainter painter(&probe);
    style.drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &painter, widget);
    painter.end();
    const int middle = kFrameProbeSize / 2;
    int lineRow = 0;
    for (int row = 1; row < middle; ++row) {
        if (qAlpha(probe.pixel(middle, row)) > qAlpha(probe.pixel(middle, lineRow))) {
            lineRow = row;
        }
    }
    return lineRow;
}

}  // namespace

QColor GroupBox::Color(std::uint32_t value) const {
    return controls::ColorFromValue(value, palette());
}

void GroupBox::DrawGroupBox() {
    const qreal ratio = devicePixelRatioF();
    image_ = QImage(size().expandedTo({1, 1}) * ratio, QImage::Format_ARGB32_Premultiplied);
    image_.setDevicePixelRatio(ratio);
    image_.fill(Color(backColor_));
    update();
    if (borderStyle_ == 0) {
        return;
    }
    const controls::CaptionMeasure measure = controls::ProcessCaption(caption_.toStdU16String());
    if (measure.accessKey) {
        SetAccessKey(QString::fromStdU16String(*measure.accessKey));
    }
    const QFontMetrics metrics(font_);
    const auto geometry = controls::ComputeGeometry(
        metrics.horizontalAdvance(QString::fromStdU16String(measure.measuredText)),
        metrics.height(), width(), height());
    QPainter painter(&image_);
    painter.setFont(font_);
    if (theme_.CanDrawThemed()) {
        DrawThemed(painter, geometry);
    } else {
        DrawClassic(painter, geometry);
    }
    painter.end();
    maskPicture_ = image_;
    maskColor_ = backColor_;
}

void GroupBox::DrawThemed(QPainter& painter, const controls::GroupBoxGeometry& geometry) {
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    DrawThemedFrame(painter, frame, ToQRect(geometry.frame));
    if (!caption_.isEmpty()) {
        painter.fillRect(ToQRect(geometry.captionBackground), Color(backColor_));
    }
    const bool keyboardCues = style()->styleHint(QStyle::SH_UnderlineShortcut, &frame, this) != 0;
    QPalette palette = this->palette();
    palette.setCurrentColorGroup(enabled_ ? QPalette::Active : QPalette::Disabled);
    style()->drawItemText(
        &painter, ToQRect(geometry.caption),
        kCaptionAlignment | (keyboardCues ? Qt::TextShowMnemonic : Qt::TextHideMnemonic), palette,
        enabled_, caption_, QPalette::WindowText);
}

// The style's frame reaches up by the room the style keeps above its top line, so that the line
// runs along the top of `rect`, through the middle of the caption as in the classic look.
void GroupBox::DrawThemedFrame(QPainter& painter, QStyleOptionFrame frame, const QRect& rect) {
    // Styles that keep room for a group box's title above its frame keep the least for a box
    // without one: an untitled box stands for this control, which draws its caption itself.
    if (!untitledFrame_) {
        untitledFrame_ = std::make_unique<QGroupBox>();
    }
    frame.rect = rect;
    frame.rect.setTop(rect.top() - FrameLineInset(*style(), frame, untitledFrame_.get()));
    style()->drawPrimitive(QStyle::PE_FrameGroupBox, &frame, &painter, untitledFrame_.get());
}

void GroupBox::DrawClassic(QPainter& painter, const controls::GroupBoxGeometry& geometry) {
    const Rect& frame = geometry.frame;
    if (appearance_ == 0) {
        DrawOutline(painter, frame.left + 1, frame.top + 1, frame.right - 1, frame.bottom - 1,
                    kFlatHighlightPenWidth, kFlatHighlight);
        DrawOutline(painter, frame.left, frame.top, frame.right - 1, frame.bottom - 1, 1,
                    kFlatOutline);
    } else {
        qDrawShadeRect(&painter, ToQRect(frame), palette(), true, 1, 0);
    }
    if (!caption_.isEmpty()) {
        painter.fillRect(ToQRect(geometry.captionBackground), Color(backColor_));
    }
    const QRect caption = ToQRect(geometry.caption);
    const int flags = kCaptionAlignment | Qt::TextShowMnemonic;
    if (enabled_) {
        painter.setPen(Color(foreColor_));
    } else {
        // The embossed disabled look: a highlight copy one pixel down and right, the shadow over
        // it.
        painter.setPen(palette().color(QPalette::Light));
        painter.drawText(caption.translated(1, 1), flags, caption_);
        painter.setPen(palette().color(QPalette::Dark));
    }
    painter.drawText(caption, flags, caption_);
}

void GroupBox::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    if (backStyle_ == 0 && !maskPicture_.isNull()) {
        const QColor seeThrough = Color(maskColor_);
        painter.setClipRegion(QRegion(QBitmap::fromImage(
            maskPicture_.createMaskFromColor(seeThrough.rgb(), Qt::MaskOutColor))));
    }
    painter.drawImage(QPoint(0, 0), image_);
}

void GroupBox::showEvent(QShowEvent* /*event*/) {
    Handle("showing", [this] { DrawGroupBox(); });
}

void GroupBox::resizeEvent(QResizeEvent* /*event*/) {
    Handle("resizing", [this] { DrawGroupBox(); });
}

// The container's look changed under the control: the stored image is redrawn.
void GroupBox::changeEvent(QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::StyleChange || type == QEvent::PaletteChange ||
        type == QEvent::FontChange) {
        Handle("following the container's look", [this] { OnAmbientChanged({}); });
    }
    QWidget::changeEvent(event);
}

}  // namespace agendix::controls
