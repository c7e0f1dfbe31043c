#pragma once

#include "about/core/AboutBox.h"

namespace agendix::about {

// Opens links with the desktop's handler through Qt's desktop services (xdg-open on Linux).
class QtUrlOpener : public UrlOpener {
  public:
    bool OpenUrl(const std::string& target) override;
};

}  // namespace agendix::about
