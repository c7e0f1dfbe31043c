// The group box's events: mouse activity, drag and drop, and its access key.

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPointer>
#include <memory>

#include "controls/groupbox/qt/GroupBox.h"

namespace agendix::controls {
namespace {

// Button numbers: 1 left, 2 right, 4 middle (Qt uses the same bits).
short ButtonNumber(Qt::MouseButtons buttons) {
    return static_cast<short>(buttons.toInt() &
                              (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton));
}

// Shift state: 1 Shift, 2 Ctrl, 4 Alt.
short ShiftNumber(Qt::KeyboardModifiers modifiers) {
    return static_cast<short>((modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) |
                              (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0) |
                              (modifiers.testFlag(Qt::AltModifier) ? 4 : 0));
}

// Drop effects: 1 copy, 2 move, 4 link, the bits of Qt's drop actions.
constexpr int kEffectBits = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
constexpr int kAllowedDragEffects = Qt::CopyAction | Qt::MoveAction;

int EffectNumber(Qt::DropActions actions) {
    return actions.toInt() & kEffectBits;
}
Qt::DropActions DropActionsOf(int effect) {
    return Qt::DropActions(effect & kEffectBits);
}

// The strongest single action in `effect`: the one a drop event reports.
Qt::DropAction DropActionOf(int effect) {
    for (const Qt::DropAction action : {Qt::MoveAction, Qt::CopyAction, Qt::LinkAction}) {
        if ((effect & action) != 0) {
            return action;
        }
    }
    return Qt::IgnoreAction;
}

enum DragOverState : short { kEnter = 0, kLeave = 1, kOver = 2 };

// Clipboard format numbers for the data types a drag commonly carries.
short DataFormatOf(const QString& mimeType) {
    if (mimeType == "text/plain") {
        return 1;
    }
    if (mimeType == "application/x-qt-image") {
        return 2;
    }
    if (mimeType == "text/uri-list") {
        return 15;
    }
    if (mimeType == "text/rtf") {
        return -16639;
    }
    return 0;
}

}  // namespace

// The data of a drag the group box started. A format announced with empty data is asked for
// through OLESetData when the drop target wants it.
class GroupBoxDragData : public QMimeData {
  public:
    explicit GroupBoxDragData(GroupBox& source) : source_(&source) {}

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        short format = DataFormatOf(mimeType);
        if (source_ && format != 0 && hasFormat(mimeType) && data(mimeType).isEmpty()) {
            auto& self = const_cast<GroupBoxDragData&>(*this);
            source_->Handle("providing drag data", [&] { emit source_->OLESetData(self, format); });
        }
        return QMimeData::retrieveData(mimeType, type);
    }

  private:
    QPointer<GroupBox> source_;
};

template <typename Signal>
void GroupBox::RaiseMouseEvent(Signal signal, const QMouseEvent& event, Qt::MouseButtons buttons) {
    short button = ButtonNumber(buttons);
    short shift = ShiftNumber(event.modifiers());
    float x = static_cast<float>(event.position().x());
    float y = static_cast<float>(event.position().y());
    emit(this->*signal)(button, shift, x, y);
}

void GroupBox::mousePressEvent(QMouseEvent* event) {
    releaseEndsDoubleClick_ = false;
    Handle("mouse down", [&] { RaiseMouseEvent(&GroupBox::MouseDown, *event, event->button()); });
}

void GroupBox::mouseMoveEvent(QMouseEvent* event) {
    Handle("mouse move", [&] { RaiseMouseEvent(&GroupBox::MouseMove, *event, event->buttons()); });
}

// A release raises MouseUp, then Click when it ends a click over the control (not the release
// that ends a double click).
void GroupBox::mouseReleaseEvent(QMouseEvent* event) {
    Handle("mouse up", [&] {
        RaiseMouseEvent(&GroupBox::MouseUp, *event, event->button());
        if (!releaseEndsDoubleClick_ && rect().contains(event->position().toPoint())) {
            emit Click();
        }
    });
    releaseEndsDoubleClick_ = false;
}

void GroupBox::mouseDoubleClickEvent(QMouseEvent* /*event*/) {
    releaseEndsDoubleClick_ = true;
    Handle("double click", [this] { emit DblClick(); });
}

template <typename DragEvent>
int GroupBox::RaiseDragOver(DragEvent& event, short state) {
    int effect = EffectNumber(event.possibleActions());
    short button = ButtonNumber(event.buttons());
    short shift = ShiftNumber(event.modifiers());
    float x = static_cast<float>(event.position().x());
    float y = static_cast<float>(event.position().y());
    emit OLEDragOver(*event.mimeData(), effect, button, shift, x, y, state);
    return effect;
}

// Effects a handler leaves non-zero accept the drag with the strongest of them.
template <typename DragEvent>
void ApplyEffect(DragEvent& event, int effect) {
    const Qt::DropAction action = DropActionOf(effect & EffectNumber(event.possibleActions()));
    if (action == Qt::IgnoreAction) {
        event.ignore();
        return;
    }
    event.setDropAction(action);
    event.accept();
}

void GroupBox::dragEnterEvent(QDragEnterEvent* event) {
    event->ignore();
    Handle("drag enter", [&] { ApplyEffect(*event, RaiseDragOver(*event, kEnter)); });
}

void GroupBox::dragMoveEvent(QDragMoveEvent* event) {
    event->ignore();
    Handle("drag over", [&] { ApplyEffect(*event, RaiseDragOver(*event, kOver)); });
}

// A drag leaving the control carries no data; handlers see an empty data object.
void GroupBox::dragLeaveEvent(QDragLeaveEvent* /*event*/) {
    Handle("drag leave", [this] {
        const QMimeData noData;
        int effect = 0;
        short button = ButtonNumber(QApplication::mouseButtons());
        short shift = ShiftNumber(QApplication::keyboardModifiers());
        const QPointF where = mapFromGlobal(QCursor::pos().toPointF());
        float x = static_cast<float>(where.x());
        float y = static_cast<float>(where.y());
        short state = kLeave;
        emit OLEDragOver(noData, effect, button, shift, x, y, state);
    });
}

void GroupBox::dropEvent(QDropEvent* event) {
    event->ignore();
    Handle("drop", [&] {
        int effect = EffectNumber(event->possibleActions());
        short button = ButtonNumber(event->buttons());
        short shift = ShiftNumber(event->modifiers());
        float x = static_cast<float>(event->position().x());
        float y = static_cast<float>(event->position().y());
        emit OLEDragDrop(*event->mimeData(), effect, button, shift, x, y);
        ApplyEffect(*event, effect);
    });
}

// Qt deletes a drag object once its drag has run, so it lives on the heap; a drag the handler
// cancels is deleted here.
void GroupBox::OLEDrag() {
    auto drag = std::make_unique<QDrag>(this);
    auto* dragData = new GroupBoxDragData(*this);
    drag->setMimeData(dragData);
    int allowedEffects = kAllowedDragEffects;
    emit OLEStartDrag(*dragData, allowedEffects);
    int effect = 0;
    if ((allowedEffects & kEffectBits) != 0) {
        connect(drag.get(), &QDrag::actionChanged, this, [this](Qt::DropAction action) {
            Handle("drag feedback", [&] {
                int feedbackEffect = EffectNumber(action);
                bool defaultCursors = true;
                emit OLEGiveFeedback(feedbackEffect, defaultCursors);
            });
        });
        effect = EffectNumber(drag.release()->exec(DropActionsOf(allowedEffects)));
    }
    emit OLECompleteDrag(effect);
}

void GroupBox::SetAccessKey(const QString& key) {
    if (key == accessKey_) {
        return;
    }
    accessKey_ = key;
    if (accessKeyShortcut_ != 0) {
        releaseShortcut(accessKeyShortcut_);
        accessKeyShortcut_ = 0;
    }
    if (!key.isEmpty()) {
        accessKeyShortcut_ = grabShortcut(QKeySequence::mnemonic("&" + key));
    }
}

// The access key moves the focus to the first child that takes it, as a frame has no focus of
// its own.
bool GroupBox::event(QEvent* event) {
    if (event->type() == QEvent::Shortcut) {
        for (QWidget* next = nextInFocusChain(); next != this && isAncestorOf(next);
             next = next->nextInFocusChain()) {
            if (next->isEnabled() && next->isVisible() &&
                (next->focusPolicy() & Qt::TabFocus) != 0) {
                next->setFocus(Qt::ShortcutFocusReason);
                break;
            }
        }
        return true;
    }
    return QWidget::event(event);
}

}  // namespace agendix::controls
