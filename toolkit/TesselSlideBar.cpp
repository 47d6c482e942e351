#include "toolkit/TesselSlideBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/PaletteColours.h"

namespace velmora {

namespace {
constexpr int kThumbWidth = 9;
}

SlideBarGeometry SlideBarGeometry::For(const QSize& size, int minimum, int maximum, int value) {
  SlideBarGeometry g;
  const int mid = size.height() / 2;
  g.track = QRect(kThumbWidth / 2, mid - 2, std::max(0, size.width() - kThumbWidth), 4);
  const int span = std::max(1, maximum - minimum);
  const int x = g.track.left() + int(qint64(g.track.width()) * (std::clamp(value, minimum, maximum) - minimum) / span);
  g.thumb = QRect(x - kThumbWidth / 2, std::max(0, mid - 7), kThumbWidth, std::min(size.height(), 14));
  return g;
}

int SlideBarGeometry::ValueAt(int x, const QSize& size, int minimum, int maximum) {
  const QRect track = For(size, minimum, maximum, minimum).track;
  if (track.width() <= 0 || maximum <= minimum) return minimum;
  const int span = maximum - minimum;
  const int offset = std::clamp(x - track.left(), 0, track.width());
  return minimum + int((qint64(offset) * span + track.width() / 2) / track.width());
}

void PaintSlideBar(QPainter& painter, const QRect& rect, int minimum, int maximum, int value, bool active) {
  painter.save();
  painter.translate(rect.topLeft());
  const SlideBarGeometry g = SlideBarGeometry::For(rect.size(), minimum, maximum, value);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath track;
  track.addRoundedRect(QRectF(g.track).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
  painter.fillPath(track, look::Colour(look::kPaper));
  painter.setPen(look::Colour(look::kSteel));
  painter.drawPath(track);
  // The part left of the thumb in the accent colour.
  const QRectF filled(g.track.left() + 1, g.track.top() + 1, std::max(0, g.thumb.center().x() - g.track.left()),
                      g.track.height() - 2);
  painter.fillRect(filled, look::Colour(look::kAccentLight));
  QPainterPath thumb;
  thumb.addRoundedRect(QRectF(g.thumb).adjusted(0.5, 0.5, -0.5, -0.5), 2.5, 2.5);
  painter.fillPath(thumb, look::Colour(active ? look::kAccentPale : look::kWhite));
  painter.setPen(look::Colour(active ? look::kAccent : look::kSteelDark));
  painter.drawPath(thumb);
  painter.restore();
}

TesselSlideBar::TesselSlideBar(int command, int minimum, int maximum, QWidget* parent)
    : TesselWnd(parent), minimum_(std::min(minimum, maximum)), maximum_(std::max(minimum, maximum)),
      value_(minimum_) {
  SetControlId(command);
  setFocusPolicy(Qt::StrongFocus);
}

void TesselSlideBar::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TesselSlideBar"); }

void TesselSlideBar::SetValue(int value) {
  value_ = std::clamp(value, minimum_, maximum_);
  update();
}

void TesselSlideBar::MoveTo(int x) {
  const int value = SlideBarGeometry::ValueAt(x, size(), minimum_, maximum_);
  if (value == value_) return;
  SetValue(value);
  PostCommand(notifyTarget(), controlId(), value_);
}

void TesselSlideBar::Paint(QPainter& painter) { PaintSlideBar(painter, rect(), minimum_, maximum_, value_, dragging_); }

void TesselSlideBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  dragging_ = true;
  MoveTo(event->position().toPoint().x());
  update();
}

void TesselSlideBar::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) MoveTo(event->position().toPoint().x());
}

void TesselSlideBar::mouseReleaseEvent(QMouseEvent*) {
  dragging_ = false;
  update();
}

}  // namespace velmora
