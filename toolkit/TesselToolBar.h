// TesselToolBar: a strip of bitmap buttons, some of them drop-down buttons
// that open a menu. Pressing a button tracks the mouse; releasing it over the
// same button posts the button's command to the notify target (the main
// window), which opens the menu of a drop-down button below ButtonRect().
#pragma once

#include <vector>

#include "toolkit/TesselWnd.h"

namespace velmora {

struct ToolButton {
  int command = 0;
  int bitmap = 0;  // numbered bitmap resource, 16 x 16
  QString text;
  bool dropDown = false;
};

// Button rectangles: left to right from 3 pixels in, each as wide as its
// icon, text and (for drop-down buttons) arrow.
std::vector<QRect> LayoutToolBar(const std::vector<ToolButton>& buttons, const QFontMetrics& metrics, int height);

// hover and pressed are button indexes or -1.
void PaintToolBar(QPainter& painter, const QRect& rect, const std::vector<ToolButton>& buttons,
                  const std::vector<QRect>& rects, int hover, int pressed);

class TesselToolBar : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselToolBar(QWidget* parent = nullptr);

  void AddButton(const ToolButton& button);
  const std::vector<ToolButton>& buttons() const { return buttons_; }
  // The button's rectangle in this window (empty when there is none), and
  // on the screen.
  QRect ButtonRect(int command) const;
  QRect ButtonScreenRect(int command) const;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  int IndexAt(const QPoint& pos) const;
  void Relayout();

  std::vector<ToolButton> buttons_;
  std::vector<QRect> rects_;
  int hover_ = -1;
  int pressed_ = -1;
};

}  // namespace velmora
