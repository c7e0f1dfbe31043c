#pragma once

class QWidget;

namespace agendix::app {

// Keeps `window` above all other windows (`on` true) or lets it go back among them. Returns
// non-zero, as the platform reports the placement done; a window shown at the time of the
// call stays shown.
int SetTopMost(QWidget& window, bool on);

}  // namespace agendix::app
