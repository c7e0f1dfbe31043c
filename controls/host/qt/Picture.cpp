#include "controls/host/qt/Picture.h"

#include <QPixmap>
#include <utility>

namespace agendix::controls {

Picture::Picture(Type type, QIcon icon, QImage image)
    : type_(type), icon_(std::move(icon)), image_(std::move(image)) {}

std::shared_ptr<const Picture> Picture::FromIcon(QIcon icon) {
    return std::shared_ptr<const Picture>(new Picture(Type::Icon, std::move(icon), {}));
}

std::shared_ptr<const Picture> Picture::FromBitmap(QImage image) {
    return std::shared_ptr<const Picture>(new Picture(Type::Bitmap, {}, std::move(image)));
}

QIcon Picture::icon() const {
    return type_ == Type::Icon ? icon_ : QIcon(QPixmap::fromImage(image_));
}

QImage Picture::image() const {
    if (type_ == Type::Bitmap) {
        return image_;
    }
    const auto sizes = icon_.availableSizes();
    QSize largest;
    for (const QSize& size : sizes) {
        if (size.width() * size.height() > largest.width() * largest.height()) {
            largest = size;
        }
    }
    return largest.isEmpty() ? QImage() : icon_.pixmap(largest).toImage();
}

}  // namespace agendix::controls
