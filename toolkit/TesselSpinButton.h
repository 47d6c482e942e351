// TesselSpinButton: two arrow buttons, up over down, that step a value within
// a range. Every change posts the control id with the new value to the
// notify target.
#pragma once

#include "toolkit/TesselWnd.h"

namespace velmora {

// pressed: 0 none, 1 up, 2 down.
void PaintSpinButton(QPainter& painter, const QRect& rect, int pressed, bool upEnabled, bool downEnabled);

class TesselSpinButton : public TesselWnd {
  Q_OBJECT

 public:
  TesselSpinButton(int command, int minimum, int maximum, QWidget* parent = nullptr);

  void SetValue(int value);  // clamped, without posting
  int value() const { return value_; }
  // One step up (+1) or down (-1); posts when the value changed.
  void Step(int direction);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void Paint(QPainter& painter) override;
  void OnTimer(int id) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int minimum_, maximum_, value_;
  int pressed_ = 0;
};

}  // namespace velmora
