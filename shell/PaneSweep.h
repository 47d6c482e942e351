// The sweep drawn when the user changes panes: a horizontal line crosses the
// pane area from its top to its bottom, joined to the area's top corners, in
// inverted colours; each position is held 30 ms, the line moving 10 pixels,
// then 20, then 30 and so on further each time.
#pragma once

#include <QImage>
#include <QRect>

class QWidget;

namespace velmora {

inline constexpr int kSweepHoldMilliseconds = 30;

// The picture of one step: image with the lines at offset (from the area's
// top) drawn inverted.
QImage SweepFrame(const QImage& image, const QRect& area, int offset);

// Plays the sweep over area (in window's coordinates) and returns when done;
// the window looks as before afterwards.
void PlayPaneSweep(QWidget* window, const QRect& area);

}  // namespace velmora
