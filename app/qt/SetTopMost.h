#pragma once

class QWidget;

namespace agendix::app {

// Keeps `window` above all other windows (`on` true) or lets it go back among them. A window
// shown at the time of the call stays shown.
void SetTopMost(QWidget& window, bool on);

}  // namespace agendix::app
