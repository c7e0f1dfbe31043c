#include "app/qt/SetTopMost.h"

#include <QWidget>

namespace agendix::app {

void SetTopMost(QWidget& window, bool on) {
    // Changing a window flag hides a shown window; show it again as it was.
    const bool wasVisible = window.isVisible();
    window.setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (wasVisible) {
        window.show();
    }
}

}  // namespace agendix::app
