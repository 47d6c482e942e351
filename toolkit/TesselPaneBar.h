// TesselPaneBar: the strip that switches panes. One 72 x 16 button per
// registered pane, 75 pixels apart from 4 pixels off the left edge, labelled
// with the pane's name; clicking the button of a pane that is not current
// posts command 1000 with the pane's index to the notify target (the main
// window).
#pragma once

#include <QStringList>

#include "toolkit/TesselWnd.h"

namespace velmora {

inline constexpr int kCmdShowPane = 1000;

struct PaneBarLayout {
  static constexpr int kButtonWidth = 72;
  static constexpr int kButtonHeight = 16;
  static constexpr int kPitch = 75;
  static constexpr int kLeft = 4;
  static QRect ButtonRect(int index, int barHeight);
  // The button index at pos (may be beyond the panes), or -1.
  static int IndexAt(const QPoint& pos, int barHeight);
};

void PaintPaneBar(QPainter& painter, const QRect& rect, const QStringList& names, int current);

class TesselPaneBar : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselPaneBar(QWidget* parent = nullptr);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace velmora
