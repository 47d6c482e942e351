#include "toolkit/TesselClassWndGButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Bitmaps.h"

namespace velmora {

void PaintGraphicButton(QPainter& painter, const QRect& rect, const QImage& normal, const QImage& active,
                        bool hover, bool pressed) {
  const QImage& image = (hover || pressed) && !active.isNull() ? active : normal;
  if (image.isNull()) return;
  // Centred; a pressed button sinks by one pixel.
  const QPoint at(rect.left() + (rect.width() - image.width()) / 2 + (pressed ? 1 : 0),
                  rect.top() + (rect.height() - image.height()) / 2 + (pressed ? 1 : 0));
  painter.drawImage(at, image);
}

TesselClassWndGButton::TesselClassWndGButton(const char* normalBitmap, const char* activeBitmap, int command,
                                             QWidget* parent)
    : TesselWnd(parent), normal_(BitmapImage(normalBitmap)), active_(BitmapImage(activeBitmap)) {
  SetControlId(command);
  if (!normal_.isNull()) resize(normal_.size());
}

void TesselClassWndGButton::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassWndGButton");
}

void TesselClassWndGButton::EraseBackground(QPainter&) {}

void TesselClassWndGButton::Paint(QPainter& painter) {
  PaintGraphicButton(painter, rect(), normal_, active_, hover_, pressed_);
}

void TesselClassWndGButton::enterEvent(QEnterEvent*) {
  hover_ = true;
  update();
}

void TesselClassWndGButton::leaveEvent(QEvent*) {
  hover_ = false;
  update();
}

void TesselClassWndGButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = true;
  update();
}

void TesselClassWndGButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) PostCommand(notifyTarget(), controlId());
}

}  // namespace velmora
