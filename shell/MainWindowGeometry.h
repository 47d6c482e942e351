// The decisions of the main window's frame that do not need a window: where
// it opens, how the size button toggles, which pane it starts on, where its
// children go, its outline, the steps of the pane-change sweep and its
// title.
#pragma once

#include <QRect>
#include <QRegion>
#include <QString>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

inline constexpr QSize kSmallestWindowSize{420, 430};
inline constexpr QSize kLargestWindowSize{560, 580};

// "WPLeft", "WPTop", "WPRight", "WPBottom" as read; absent keys are empty.
struct SavedPlacement {
  std::optional<int> left, top, right, bottom;
};

// The saved outer rectangle to open the main window at, or nothing for the
// default placement (420 x 430 where the desktop puts it). The saved one is
// used only when no other main window of the program exists, all four keys
// are there, and the saved left and top edges lie before the desktop's right
// and bottom edges.
std::optional<QRect> SavedWindowRect(const SavedPlacement& saved, const QRect& desktop, bool otherMainWindowExists);

// The size button: a window of exactly 560 x 580 becomes 420 x 430 at the
// same top-left corner; any other becomes 560 x 580, moved left or up just
// enough to end inside the desktop (never before its left or top edge).
QRect ToggledWindowRect(const QRect& window, const QRect& desktop);

// The pane shown at start-up: "PaneId" (absent: 1); an index outside the
// panes means 0.
int StartPaneIndex(std::optional<int> paneId, int paneCount);

// The children of the main window inside its client rectangle.
struct MainWindowLayout {
  QRect paneBar;
  QRect toolBar;
  QRect pane;
  static MainWindowLayout For(const QRect& client);
};

// The offsets from the pane area's top at which the sweep line is drawn:
// 0, then 10, 20, 30 ... pixels further each time, while inside the area.
std::vector<int> SweepOffsets(int areaHeight);

// "Cardora : contacts.adr": the program name and the file's name without
// its folder.
QString MainWindowTitle(const QString& applicationName, const std::string& path);

}  // namespace velmora
