#pragma once

#include <QIcon>
#include <QImage>
#include <QMetaType>
#include <memory>

namespace agendix::controls {

// A picture object as controls hold it: an icon, or a bitmap (any other image). Pictures are
// shared and keep their identity: a control that is given an icon keeps that very object.
class Picture {
  public:
    enum class Type { Bitmap = 1, Icon = 3 };

    static std::shared_ptr<const Picture> FromIcon(QIcon icon);
    static std::shared_ptr<const Picture> FromBitmap(QImage image);

    Type type() const { return type_; }
    // The icon of an icon picture; for a bitmap, an icon made from the bitmap.
    QIcon icon() const;
    // The bitmap of a bitmap picture; for an icon, its largest image.
    QImage image() const;

  private:
    Picture(Type type, QIcon icon, QImage image);

    Type type_;
    QIcon icon_;
    QImage image_;
};

using PicturePtr = std::shared_ptr<const Picture>;

}  // namespace agendix::controls

Q_DECLARE_METATYPE(agendix::controls::PicturePtr)
