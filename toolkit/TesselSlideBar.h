// TesselSlideBar: a horizontal slider over a range of whole values. Clicking
// the track or dragging the thumb moves it; every change posts the control id
// with the new value to the notify target.
#pragma once

#include "toolkit/TesselWnd.h"

namespace velmora {

struct SlideBarGeometry {
  QRect track, thumb;
  static SlideBarGeometry For(const QSize& size, int minimum, int maximum, int value);
  // The value whose thumb centre is nearest to x.
  static int ValueAt(int x, const QSize& size, int minimum, int maximum);
};

void PaintSlideBar(QPainter& painter, const QRect& rect, int minimum, int maximum, int value, bool active);

class TesselSlideBar : public TesselWnd {
  Q_OBJECT

 public:
  TesselSlideBar(int command, int minimum, int maximum, QWidget* parent = nullptr);

  void SetValue(int value);  // clamped, without posting
  int value() const { return value_; }

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void MoveTo(int x);

  int minimum_, maximum_, value_;
  bool dragging_ = false;
};

}  // namespace velmora
