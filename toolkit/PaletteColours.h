// The toolkit's own colours: the suite's palette (resources/Palette.h, which
// the artwork generator draws with too) as QColor. Colours that a window is
// given at construction, or that come from the skin, take precedence.
#pragma once

#include <QColor>

#include "resources/Palette.h"

namespace velmora::look {

inline QColor Colour(QRgb rgb) { return QColor::fromRgba(rgb); }

}  // namespace velmora::look
