#pragma once

#include <QFont>
#include <QImage>
#include <QMimeData>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/core/CatchAtTop.h"
#include "common/core/MessageService.h"
#include "controls/groupbox/core/GroupBoxLayout.h"
#include "controls/groupbox/core/ThemeTest.h"
#include "controls/host/qt/HostServices.h"
#include "controls/host/qt/PropertyStore.h"

class QGroupBox;
class QStyleOptionFrame;

namespace agendix::controls {

// What the container hands a group box: its ambient properties, the message box service and the
// theme test that chooses between the themed and the classic look.
struct GroupBoxServices {
    const AmbientProperties& ambient;
    common::MessageService& messages;
    const ThemeTest& theme;
};

// A captioned frame that contains child widgets. It draws its whole look in one pass into a
// persistent image (DrawGroupBox) when shown, resized, when a drawn property changes, when the
// container's style or palette changes and on Refresh; painting only shows that image.
//
// Setters store the value, emit propertyChanged with the property's name, then repaint where the
// look depends on the value. Errors are thrown as HostError to the setter's caller. Events are
// raised synchronously as signals whose arguments are references: what a directly connected
// slot writes into them reaches the control's own handling (drop effect, cursors).
class GroupBox : public QWidget {
    Q_OBJECT

  public:
    GroupBox(QWidget* parent, const GroupBoxServices& services);
    ~GroupBox() override;

    std::uint32_t BackColor() const { return backColor_; }
    void SetBackColor(std::uint32_t New_BackColor);
    std::uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(std::uint32_t New_ForeColor);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool New_Enabled);
    QFont Font() const { return font_; }
    void SetFont(const QFont& New_Font);
    int BorderStyle() const { return borderStyle_; }
    void SetBorderStyle(int New_BorderStyle);
    void Refresh();
    short OLEDropMode() const { return oleDropMode_; }
    void SetOLEDropMode(short New_OLEDropMode);
    // Starts a drag with this control as its source: OLEStartDrag fills the data and may narrow
    // the allowed effects (0 cancels), OLEGiveFeedback follows the effect, OLECompleteDrag ends.
    void OLEDrag();
    int BackStyle() const { return backStyle_; }
    // 0 (transparent) is not offered through the setter: it shows a message and changes nothing.
    void SetBackStyle(int New_BackStyle);
    QString Caption() const { return caption_; }
    void SetCaption(const QString& New_Caption);
    int Appearance() const { return appearance_; }
    void SetAppearance(int New_Appearance);

    // The host's hooks: a new instance placed in the designer, an instance created from its
    // stored design (no repaint: showing and sizing it draws it), the design being saved.
    void OnInitDefaults();
    void OnLoadProperties(const PropertyStore& PropBag);
    void OnSaveProperties(PropertyStore& PropBag) const;

    // What the host keeps of the last drawing: the image painting shows, the access key, and the
    // mask picture and colour that tell which pixels are see-through when BackStyle is 0.
    const QImage& Image() const { return image_; }
    QString AccessKey() const { return accessKey_; }
    const QImage& MaskPicture() const { return maskPicture_; }
    std::uint32_t MaskColor() const { return maskColor_; }

  public slots:
    // The container's ambient properties changed; the argument names which and is not used.
    void OnAmbientChanged(const QString& PropertyName);

  signals:
    void propertyChanged(const QString& PropertyName);

    void Click();
    void DblClick();
    void MouseDown(short& Button, short& Shift, float& X, float& Y);
    void MouseMove(short& Button, short& Shift, float& X, float& Y);
    void MouseUp(short& Button, short& Shift, float& X, float& Y);
    void OLECompleteDrag(int& Effect);
    void OLEDragDrop(const QMimeData& Data, int& Effect, short& Button, short& Shift, float& X,
                     float& Y);
    void OLEDragOver(const QMimeData& Data, int& Effect, short& Button, short& Shift, float& X,
                     float& Y, short& State);
    void OLEGiveFeedback(int& Effect, bool& DefaultCursors);
    void OLESetData(QMimeData& Data, short& DataFormat);
    void OLEStartDrag(QMimeData& Data, int& AllowedEffects);

  protected:
    bool event(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    friend class GroupBoxDragData;

    void NotifyPropertyChanged(const QString& PropertyName);
    // Runs one of the control's own event handlings; a failure is reported, never passed on to
    // the event loop.
    template <typename Handling>
    void Handle(const char* what, Handling handling) {
        common::CatchAtTop(handling, [&](const std::optional<std::string>& message) {
            qWarning("Group box \"%s\", %s: %s", qUtf8Printable(caption_), what,
                     message ? message->c_str() : "unknown failure");
        });
    }

    // Drawing (GroupBoxPaint.cpp).
    void DrawGroupBox();
    void DrawThemed(QPainter& painter, const controls::GroupBoxGeometry& geometry);
    void DrawThemedFrame(QPainter& painter, QStyleOptionFrame frame, const QRect& rect);
    void DrawClassic(QPainter& painter, const controls::GroupBoxGeometry& geometry);
    QColor Color(std::uint32_t value) const;

    // The surface's settings; each refuses a value it does not know with a HostError.
    void SetSurfaceColor(std::uint32_t& target, std::uint32_t value, const char* property);
    void SetSurfaceDropMode(short mode);
    void SetSurfaceBackStyle(short style);
    void SetAccessKey(const QString& key);
    void ApplyHostEnabledState();

    // Events (GroupBoxEvents.cpp).
    template <typename Signal>
    void RaiseMouseEvent(Signal signal, const QMouseEvent& event, Qt::MouseButtons buttons);
    template <typename DragEvent>
    int RaiseDragOver(DragEvent& event, short state);

    const AmbientProperties& ambient_;
    common::MessageService& messages_;
    const ThemeTest& theme_;

    std::uint32_t backColor_;
    std::uint32_t foreColor_;
    QFont font_;
    int borderStyle_ = 1;
    short oleDropMode_ = 0;
    short backStyle_ = 1;
    QString caption_;
    bool enabled_ = true;
    short appearance_ = 1;

    QImage image_;
    std::unique_ptr<QGroupBox> untitledFrame_;
    QString accessKey_;
    int accessKeyShortcut_ = 0;
    QImage maskPicture_;
    std::uint32_t maskColor_;
    bool releaseEndsDoubleClick_ = false;
};

}  // namespace agendix::controls
