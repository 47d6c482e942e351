// TesselClassWndGButton: a graphic button of two bitmaps, the first shown at
// rest, the second under the mouse and while pressed. A click posts its
// control id as a command to the notify target.
#pragma once

#include "toolkit/TesselWnd.h"

namespace velmora {

void PaintGraphicButton(QPainter& painter, const QRect& rect, const QImage& normal, const QImage& active,
                        bool hover, bool pressed);

class TesselClassWndGButton : public TesselWnd {
  Q_OBJECT

 public:
  // The bitmaps are resources named like "pic_button1.bmp".
  TesselClassWndGButton(const char* normalBitmap, const char* activeBitmap, int command, QWidget* parent = nullptr);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QImage normal_;
  QImage active_;
  bool hover_ = false;
  bool pressed_ = false;
};

}  // namespace velmora
