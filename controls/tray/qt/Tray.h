#pragma once

#include <QString>
#include <QTimer>
#include <QWidget>
#include "controls/host/core/HostError.h"
#include "controls/host/qt/Picture.h"
#include "controls/host/qt/PropertyStore.h"
#include "controls/tray/core/TrayIcon.h"

namespace agendix::controls {

// The tray icon control: owns one notification-area icon with its balloon and turns mouse
// activity on the icon into the events LeftClick, RightClick and MouseOver. Its own 36 x 36
// pixel window shows the picture at design time. Setting a property does not touch the icon;
// Show(true) sends the values.
class Tray : public QWidget, private controls::TrayControlHost {
    Q_OBJECT
    Q_CLASSINFO("Show", "Method -- Sets tray-image as visible or not via boolean arg.")
    Q_CLASSINFO("TrayImage",
                "Returns/sets a graphic to be displayed  on the system Tray. (Bitmaps and Cursors "
                "are converted to type Icon)")
    Q_CLASSINFO("TrayToolTip", "Sets/Returns text displayed when mouse over tray icon.")
    Q_CLASSINFO("IsVisible", "Flags whether icon is loaded and visible in Tray -- or NOT.")
    Q_PROPERTY(agendix::controls::PicturePtr TrayImage READ TrayImage WRITE SetTrayImage)
    Q_PROPERTY(QString TrayToolTip READ TrayToolTip WRITE SetTrayToolTip)
    Q_PROPERTY(QString TrayToolTipTitle READ TrayToolTipTitle WRITE SetTrayToolTipTitle)
    Q_PROPERTY(bool IsVisible READ IsVisible)

  public:
    static inline const QString kDefaultToolTip = QStringLiteral("Tray Icon ToolTip");
    static inline const QString kDefaultToolTipTitle = QStringLiteral("Tray Icon ToolTipTitle");
    // The size a non-icon picture is converted to.
    static constexpr int kIconSide = 32;

    // `area` shows the icon and reports its mouse activity; it must outlive the control.
    Tray(controls::NotificationArea& area, QWidget* parent = nullptr);

    Q_INVOKABLE void Show(bool UpDateData);
    bool IsVisible() const { return logic_.IsVisible(); }

    PicturePtr TrayImage() const { return picture_; }
    // None removes the picture, an icon is kept as the very object, any other picture becomes
    // a 32 x 32 icon. Throws HostError (invalid property value), changing nothing, for a
    // picture without an image.
    void SetTrayImage(const PicturePtr& New_TrayImage);
    QString TrayToolTip() const { return tipText_; }
    void SetTrayToolTip(const QString& New_TrayToolTip);
    QString TrayToolTipTitle() const { return titleText_; }
    void SetTrayToolTipTitle(const QString& New_TrayToolTipTitle);

    // Design-time persistence through the host's property store.
    void OnInitDefaults();
    void OnLoadProperties(const PropertyStore& store);
    void OnSaveProperties(PropertyStore& store) const;

    bool EventLock() const { return logic_.EventLock(); }

  signals:
    void LeftClick();
    void RightClick();
    void MouseOver();
    // Tells the host that a property changed (a designer marks the window as changed).
    void PropertyChanged(const QString& name);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::shared_ptr<const controls::TrayPicture> Picture() override;
    void SetTimer1Interval(int milliseconds) override;
    void RaiseEvent(controls::TrayEvent event) override;

    controls::TrayIcon logic_;
    QTimer timer1_;
    PicturePtr picture_;
    QString tipText_;
    QString titleText_;
};

}  // namespace agendix::controls
