#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <vector>

#include "controls/host/qt/Picture.h"

namespace agendix::controls {

// The 32-bit window and icon handles that the notification-icon record carries, and the objects
// behind them. The control and the notification-area layer share one table. A handle stays
// valid while its object lives; its slot is reused afterwards. Handle 0 means none.
class ShellHandles {
  public:
    std::uint32_t WindowHandle(QWidget* window);
    QWidget* Window(std::uint32_t handle) const;

    std::uint32_t IconHandle(const PicturePtr& picture);
    PicturePtr Icon(std::uint32_t handle) const;

  private:
    std::vector<QPointer<QWidget>> windows_;
    std::vector<std::weak_ptr<const Picture>> icons_;
};

}  // namespace agendix::controls
