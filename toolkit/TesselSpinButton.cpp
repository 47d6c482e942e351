#include "toolkit/TesselSpinButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/PaletteColours.h"

namespace velmora {

namespace {
constexpr int kRepeatTimer = 1;

void PaintHalf(QPainter& painter, const QRect& box, bool up, bool pressed, bool enabled) {
  painter.fillRect(box, look::Colour(pressed ? look::kSteelLight : look::kSilver));
  painter.setPen(look::Colour(look::kSteel));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  const QPoint c = box.center() + QPoint(pressed ? 1 : 0, pressed ? 1 : 0);
  QPolygon triangle;
  if (up) {
    triangle << QPoint(c.x() - 3, c.y() + 1) << QPoint(c.x() + 3, c.y() + 1) << QPoint(c.x(), c.y() - 2);
  } else {
    triangle << QPoint(c.x() - 3, c.y() - 1) << QPoint(c.x() + 3, c.y() - 1) << QPoint(c.x(), c.y() + 2);
  }
  const QColor ink = look::Colour(enabled ? look::kInk : look::kSteel);
  painter.setPen(ink);
  painter.setBrush(ink);
  painter.drawPolygon(triangle);
  painter.setBrush(Qt::NoBrush);
}
}  // namespace

void PaintSpinButton(QPainter& painter, const QRect& rect, int pressed, bool upEnabled, bool downEnabled) {
  painter.save();
  const int half = rect.height() / 2;
  PaintHalf(painter, QRect(rect.left(), rect.top(), rect.width(), half), true, pressed == 1, upEnabled);
  PaintHalf(painter, QRect(rect.left(), rect.top() + half, rect.width(), rect.height() - half), false, pressed == 2,
            downEnabled);
  painter.restore();
}

TesselSpinButton::TesselSpinButton(int command, int minimum, int maximum, QWidget* parent)
    : TesselWnd(parent), minimum_(std::min(minimum, maximum)), maximum_(std::max(minimum, maximum)),
      value_(minimum_) {
  SetControlId(command);
}

void TesselSpinButton::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TesselSpinButton"); }

void TesselSpinButton::SetValue(int value) {
  value_ = std::clamp(value, minimum_, maximum_);
  update();
}

void TesselSpinButton::Step(int direction) {
  const int before = value_;
  SetValue(value_ + (direction > 0 ? 1 : -1));
  if (value_ != before) PostCommand(notifyTarget(), controlId(), value_);
}

void TesselSpinButton::Paint(QPainter& painter) {
  PaintSpinButton(painter, rect(), pressed_, value_ < maximum_, value_ > minimum_);
}

void TesselSpinButton::OnTimer(int id) {
  if (id != kRepeatTimer || pressed_ == 0) return;
  Step(pressed_ == 1 ? 1 : -1);
  SetTimer(kRepeatTimer, 60);
}

void TesselSpinButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = event->position().y() < height() / 2 ? 1 : 2;
  Step(pressed_ == 1 ? 1 : -1);
  SetTimer(kRepeatTimer, 400);
  update();
}

void TesselSpinButton::mouseReleaseEvent(QMouseEvent*) {
  pressed_ = 0;
  KillTimer(kRepeatTimer);
  update();
}

}  // namespace velmora
