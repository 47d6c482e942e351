#include "toolkit/TesselClassWndScrollBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/PaletteColours.h"

namespace velmora {

namespace {
constexpr int kRepeatTimer = 1;
constexpr int kMinThumb = 12;

void PaintArrow(QPainter& painter, const QRect& box, bool up, ScrollPart part, const ScrollBarState& state) {
  const bool pressed = state.pressed == part;
  const bool hover = state.hover == part;
  painter.fillRect(box, look::Colour(pressed ? look::kSteelLight : hover ? look::kAccentPale : look::kSilver));
  painter.setPen(look::Colour(look::kSteelLight));
  painter.drawRect(box.adjusted(0, 0, -1, -1));
  // A solid triangle, 7 pixels wide, 4 high, centred.
  const QPoint c = box.center() + QPoint(pressed ? 1 : 0, pressed ? 1 : 0);
  QPolygon triangle;
  if (up) {
    triangle << QPoint(c.x() - 3, c.y() + 2) << QPoint(c.x() + 3, c.y() + 2) << QPoint(c.x(), c.y() - 1);
  } else {
    triangle << QPoint(c.x() - 3, c.y() - 1) << QPoint(c.x() + 3, c.y() - 1) << QPoint(c.x(), c.y() + 2);
  }
  painter.setPen(look::Colour(look::kInk));
  painter.setBrush(look::Colour(look::kInk));
  painter.drawPolygon(triangle);
  painter.setBrush(Qt::NoBrush);
}
}  // namespace

ScrollBarGeometry ScrollBarGeometry::For(const QSize& size, const ScrollBarState& state) {
  ScrollBarGeometry g;
  const int w = size.width();
  const int arrow = std::min(w, size.height() / 2);
  g.up = QRect(0, 0, w, arrow);
  g.down = QRect(0, size.height() - arrow, w, arrow);
  g.track = QRect(0, arrow, w, std::max(0, size.height() - 2 * arrow));
  if (state.maximum > 0 && g.track.height() > 0) {
    const int total = state.maximum + state.page;
    const int length = std::clamp(g.track.height() * state.page / std::max(1, total), kMinThumb, g.track.height());
    const int travel = g.track.height() - length;
    const int offset = int(qint64(travel) * state.value / state.maximum);
    g.thumb = QRect(0, g.track.top() + offset, w, length);
  }
  return g;
}

ScrollPart ScrollBarGeometry::PartAt(const QPoint& pos) const {
  if (up.contains(pos)) return ScrollPart::UpArrow;
  if (down.contains(pos)) return ScrollPart::DownArrow;
  if (thumb.isValid() && thumb.contains(pos)) return ScrollPart::Thumb;
  if (track.contains(pos) && thumb.isValid()) return pos.y() < thumb.top() ? ScrollPart::PageUp : ScrollPart::PageDown;
  return ScrollPart::None;
}

void PaintScrollBar(QPainter& painter, const QRect& rect, const ScrollBarState& state) {
  painter.save();
  painter.translate(rect.topLeft());
  const ScrollBarGeometry g = ScrollBarGeometry::For(rect.size(), state);
  painter.fillRect(g.track, look::Colour(look::kPaper));
  painter.setPen(look::Colour(look::kSteelLight));
  painter.drawLine(g.track.topLeft(), g.track.bottomLeft());
  PaintArrow(painter, g.up, true, ScrollPart::UpArrow, state);
  PaintArrow(painter, g.down, false, ScrollPart::DownArrow, state);
  if (g.thumb.isValid()) {
    const bool active = state.pressed == ScrollPart::Thumb || state.hover == ScrollPart::Thumb;
    const QRectF thumb = QRectF(g.thumb).adjusted(2.5, 1.5, -2.5, -1.5);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(thumb, 3, 3);
    painter.fillPath(path, look::Colour(active ? look::kAccentLight : look::kSteelLight));
    painter.setPen(look::Colour(active ? look::kAccent : look::kSteel));
    painter.drawPath(path);
  }
  painter.restore();
}

TesselClassWndScrollBar::TesselClassWndScrollBar(QWidget* parent) : TesselWnd(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TesselClassWndScrollBar::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassWndScrollBar");
}

void TesselClassWndScrollBar::SetRange(int maximum, int page) {
  state_.maximum = std::max(0, maximum);
  state_.page = std::max(1, page);
  SetValue(state_.value);
  update();
}

void TesselClassWndScrollBar::SetValue(int value) {
  value = std::clamp(value, 0, state_.maximum);
  if (value == state_.value) return;
  state_.value = value;
  update();
  emit valueChanged(value);
}

void TesselClassWndScrollBar::Paint(QPainter& painter) { PaintScrollBar(painter, rect(), state_); }

void TesselClassWndScrollBar::Step(ScrollPart part) {
  switch (part) {
    case ScrollPart::UpArrow: SetValue(state_.value - 1); break;
    case ScrollPart::DownArrow: SetValue(state_.value + 1); break;
    case ScrollPart::PageUp: SetValue(state_.value - state_.page); break;
    case ScrollPart::PageDown: SetValue(state_.value + state_.page); break;
    default: break;
  }
}

void TesselClassWndScrollBar::OnTimer(int id) {
  if (id != kRepeatTimer) return;
  const ScrollBarGeometry g = ScrollBarGeometry::For(size(), state_);
  // Pages stop repeating once the thumb reaches the mouse.
  if (g.PartAt(mapFromGlobal(QCursor::pos())) == state_.pressed) Step(state_.pressed);
  SetTimer(kRepeatTimer, 50);
}

void TesselClassWndScrollBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const ScrollBarGeometry g = ScrollBarGeometry::For(size(), state_);
  state_.pressed = g.PartAt(pos);
  if (state_.pressed == ScrollPart::Thumb) {
    dragOffset_ = pos.y() - g.thumb.top();
  } else if (state_.pressed != ScrollPart::None) {
    Step(state_.pressed);
    SetTimer(kRepeatTimer, 350);
  }
  update();
}

void TesselClassWndScrollBar::mouseMoveEvent(QMouseEvent* event) {
  const QPoint pos = event->position().toPoint();
  const ScrollBarGeometry g = ScrollBarGeometry::For(size(), state_);
  if (state_.pressed == ScrollPart::Thumb) {
    const int travel = g.track.height() - g.thumb.height();
    if (travel > 0) {
      const int offset = std::clamp(pos.y() - dragOffset_ - g.track.top(), 0, travel);
      SetValue(int((qint64(offset) * state_.maximum + travel / 2) / travel));
    }
    return;
  }
  const ScrollPart hover = g.PartAt(pos);
  if (hover != state_.hover) {
    state_.hover = hover;
    update();
  }
}

void TesselClassWndScrollBar::mouseReleaseEvent(QMouseEvent*) {
  KillTimer(kRepeatTimer);
  state_.pressed = ScrollPart::None;
  update();
}

void TesselClassWndScrollBar::leaveEvent(QEvent*) {
  state_.hover = ScrollPart::None;
  update();
}

}  // namespace velmora
