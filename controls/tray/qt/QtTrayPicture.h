#pragma once

#include <utility>

#include "controls/host/qt/Picture.h"
#include "controls/tray/core/NotificationArea.h"

namespace agendix::controls {

// The control's Qt picture as the tray logic hands it to the notification area.
class QtTrayPicture final : public TrayPicture {
  public:
    explicit QtTrayPicture(PicturePtr picture) : picture_(std::move(picture)) {}
    const PicturePtr& picture() const { return picture_; }

  private:
    PicturePtr picture_;
};

// The Qt picture behind `picture`; null for none or for a picture some other layer made.
inline PicturePtr QtPictureOf(const TrayPicture* picture) {
    const auto* qtPicture = dynamic_cast<const QtTrayPicture*>(picture);
    return qtPicture != nullptr ? qtPicture->picture() : nullptr;
}

}  // namespace agendix::controls
