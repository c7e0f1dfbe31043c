#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace agendix::controls {

// The colour a 32-bit colour value stands for: its RGB bytes, or for a system colour the
// palette's colour in the matching role (15 button face is Button, 18 button text ButtonText).
// The value must be an RGB colour or name a known system colour.
QColor ColorFromValue(std::uint32_t value, const QPalette& palette);

}  // namespace agendix::controls
