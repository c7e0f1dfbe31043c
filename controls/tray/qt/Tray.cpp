#include "controls/tray/qt/Tray.h"

#include <QDebug>
#include <QPainter>
#include <exception>

#include "common/core/CatchAtTop.h"
#include "controls/tray/qt/QtTrayPicture.h"

namespace agendix::controls {

namespace {

const QString kTrayImageName = QStringLiteral("TrayImage");
const QString kTrayToolTipName = QStringLiteral("TrayToolTip");
const QString kTrayToolTipTitleName = QStringLiteral("TrayToolTipTitle");

// A 32 x 32 icon made from any picture's image.
PicturePtr ToIcon(const Picture& picture) {
    const QImage image = picture.image();
    if (image.isNull()) {
        throw HostError(HostError::kInvalidPropertyValue,
                        "Invalid property value for TrayImage: the picture has no image to make "
                        "an icon of");
    }
    const QImage scaled = image.scaled(Tray::kIconSide, Tray::kIconSide, Qt::IgnoreAspectRatio,
                                       Qt::SmoothTransformation);
    return Picture::FromIcon(QIcon(QPixmap::fromImage(scaled)));
}

// Runs one handler of the control's window. A failure stops there and is reported: it must
// not end the program from inside the event loop.
template <typename Handler>
void RunHandler(const char* name, Handler handler) {
    common::CatchAtTop(handler, [name](const std::optional<std::string>& message) {
        if (message) {
            qWarning("Tray: %s failed: %s", name, message->c_str());
        } else {
            qWarning("Tray: %s failed", name);
        }
    });
}

}  // namespace

Tray::Tray(controls::NotificationArea& area, QWidget* parent)
    : QWidget(parent), logic_(*this, area) {
    // Whatever size the host asks for, the control stays 36 x 36 pixels.
    setFixedSize(controls::kTraySidePixels, controls::kTraySidePixels);
    timer1_.setInterval(0);
    connect(&timer1_, &QTimer::timeout, this,
            [this] { RunHandler("Timer1", [this] { logic_.OnTimer1(); }); });
}

void Tray::Show(bool UpDateData) {
    const QByteArray tip = tipText_.toUtf8();
    const QByteArray title = titleText_.toUtf8();
    logic_.Show(UpDateData, std::string_view(tip.constData(), static_cast<std::size_t>(tip.size())),
                std::string_view(title.constData(), static_cast<std::size_t>(title.size())));
}

void Tray::SetTrayImage(const PicturePtr& New_TrayImage) {
    if (!New_TrayImage || New_TrayImage->type() == Picture::Type::Icon) {
        picture_ = New_TrayImage;
    } else {
        picture_ = ToIcon(*New_TrayImage);
    }
    emit PropertyChanged(kTrayImageName);
    update();
}

void Tray::SetTrayToolTip(const QString& New_TrayToolTip) {
    tipText_ = New_TrayToolTip;
    emit PropertyChanged(kTrayToolTipName);
}

void Tray::SetTrayToolTipTitle(const QString& New_TrayToolTipTitle) {
    titleText_ = New_TrayToolTipTitle;
    emit PropertyChanged(kTrayToolTipTitleName);
}

void Tray::OnInitDefaults() {
    tipText_ = kDefaultToolTip;
    titleText_ = kDefaultToolTipTitle;
}

void Tray::OnLoadProperties(const PropertyStore& store) {
    // A stored picture is installed as it is, without conversion or notification.
    picture_ =
        store.ReadProperty(kTrayImageName, QVariant::fromValue(PicturePtr())).value<PicturePtr>();
    tipText_ = store.ReadProperty(kTrayToolTipName, kDefaultToolTip).toString();
    titleText_ = store.ReadProperty(kTrayToolTipTitleName, kDefaultToolTipTitle).toString();
    update();
}

void Tray::OnSaveProperties(PropertyStore& store) const {
    store.WriteProperty(kTrayImageName, QVariant::fromValue(picture_),
                        QVariant::fromValue(PicturePtr()));
    store.WriteProperty(kTrayToolTipName, tipText_, kDefaultToolTip);
    store.WriteProperty(kTrayToolTipTitleName, titleText_, kDefaultToolTipTitle);
}

void Tray::paintEvent(QPaintEvent*) {
    if (picture_) {
        QPainter painter(this);
        picture_->icon().paint(&painter, rect());
    }
}

std::shared_ptr<const controls::TrayPicture> Tray::Picture() {
    return picture_ ? std::make_shared<QtTrayPicture>(picture_) : nullptr;
}

void Tray::SetTimer1Interval(int milliseconds) {
    if (milliseconds == 0) {
        timer1_.stop();
    } else {
        timer1_.start(milliseconds);
    }
}

// The notification area reports from the event loop: a failing handler is reported here.
void Tray::RaiseEvent(controls::TrayEvent event) {
    switch (event) {
        case controls::TrayEvent::LeftClick:
            RunHandler("LeftClick", [this] { emit LeftClick(); });
            break;
        case controls::TrayEvent::RightClick:
            RunHandler("RightClick", [this] { emit RightClick(); });
            break;
        case controls::TrayEvent::MouseOver:
            RunHandler("MouseOver", [this] { emit MouseOver(); });
            break;
    }
}

}  // namespace agendix::controls
