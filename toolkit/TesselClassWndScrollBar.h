// TesselClassWndScrollBar: a vertical scroll bar drawn by the toolkit, with
// two arrow buttons, a track and a thumb as long as the page's share.
#pragma once

#include "toolkit/TesselWnd.h"

namespace velmora {

enum class ScrollPart { None, UpArrow, DownArrow, PageUp, PageDown, Thumb };

struct ScrollBarState {
  int maximum = 0;  // values run from 0 to maximum
  int page = 1;
  int value = 0;
  ScrollPart hover = ScrollPart::None;
  ScrollPart pressed = ScrollPart::None;
};

// Where the parts of a scroll bar of size lie.
struct ScrollBarGeometry {
  QRect up, down, track, thumb;
  static ScrollBarGeometry For(const QSize& size, const ScrollBarState& state);
  ScrollPart PartAt(const QPoint& pos) const;
};

void PaintScrollBar(QPainter& painter, const QRect& rect, const ScrollBarState& state);

class TesselClassWndScrollBar : public TesselWnd {
  Q_OBJECT

 public:
  explicit TesselClassWndScrollBar(QWidget* parent = nullptr);

  void SetRange(int maximum, int page);
  void SetValue(int value);  // clamped; emits valueChanged when it changes
  int value() const { return state_.value; }
  int maximum() const { return state_.maximum; }
  const ScrollBarState& state() const { return state_; }

 signals:
  void valueChanged(int value);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void OnTimer(int id) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void Step(ScrollPart part);

  ScrollBarState state_;
  int dragOffset_ = 0;
};

}  // namespace velmora
