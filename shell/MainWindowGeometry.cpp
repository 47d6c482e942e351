#include "shell/MainWindowGeometry.h"

#include <QFileInfo>
#include <QPainterPath>
#include <algorithm>

namespace velmora {

std::optional<QRect> SavedWindowRect(const SavedPlacement& saved, const QRect& desktop, bool otherMainWindowExists) {
  if (otherMainWindowExists) return std::nullopt;
  if (!saved.left || !saved.top || !saved.right || !saved.bottom) return std::nullopt;
  // Edges as the desktop reports them: the right and bottom edges lie just
  // past the last pixel.
  const int desktopRight = desktop.x() + desktop.width();
  const int desktopBottom = desktop.y() + desktop.height();
  if (*saved.left >= desktopRight || *saved.top >= desktopBottom) return std::nullopt;
  return QRect(*saved.left, *saved.top, *saved.right - *saved.left, *saved.bottom - *saved.top);
}

QRect ToggledWindowRect(const QRect& window, const QRect& desktop) {
  if (window.size() == kLargestWindowSize) return QRect(window.topLeft(), kSmallestWindowSize);
  QRect large(window.topLeft(), kLargestWindowSize);
  const int desktopRight = desktop.x() + desktop.width();
  const int desktopBottom = desktop.y() + desktop.height();
  if (large.x() + large.width() > desktopRight) large.moveLeft(desktopRight - large.width());
  if (large.y() + large.height() > desktopBottom) large.moveTop(desktopBottom - large.height());
  // A desktop smaller than the window keeps the caption reachable.
  if (large.x() < desktop.x()) large.moveLeft(desktop.x());
  if (large.y() < desktop.y()) large.moveTop(desktop.y());
  return large;
}

int StartPaneIndex(std::optional<int> paneId, int paneCount) {
  const int index = paneId.value_or(1);
  return (index < 0 || index >= paneCount) ? 0 : index;
}

MainWindowLayout MainWindowLayout::For(const QRect& client) {
  const int l = client.left(), t = client.top(), w = client.width(), h = client.height();
  MainWindowLayout layout;
  layout.paneBar = QRect(l + 1, t, std::max(0, w - 2), 25);
  layout.toolBar = QRect(l + 5, t + 26, std::max(0, w - 10), 25);
  layout.pane = QRect(l + 17, t + 66, std::max(0, w - 39), std::max(0, h - 95));
  return layout;
}

std::vector<int> SweepOffsets(int areaHeight) {
  std::vector<int> offsets;
  int step = 10;
  for (int y = 0; y < areaHeight; y += step, step += 10) offsets.push_back(y);
  return offsets;
}

QString MainWindowTitle(const QString& applicationName, const std::string& path) {
  return QStringLiteral("%1 : %2").arg(applicationName, QFileInfo(QString::fromStdString(path)).fileName());
}

}  // namespace velmora
