#include "toolkit/TesselToolBar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"
#include "toolkit/Skin.h"

namespace velmora {

namespace {
constexpr int kIcon = 16;
constexpr int kPad = 5;
constexpr int kArrow = 10;  // the drop-down glyph, 10 x 8
}  // namespace

std::vector<QRect> LayoutToolBar(const std::vector<ToolButton>& buttons, const QFontMetrics& metrics, int height) {
  std::vector<QRect> rects;
  int x = 3;
  const int h = std::max(kIcon + 4, height - 4);
  const int top = (height - h) / 2;
  for (const ToolButton& button : buttons) {
    int width = kPad + kIcon + kPad;
    if (!button.text.isEmpty()) width += metrics.horizontalAdvance(button.text) + kPad;
    if (button.dropDown) width += kArrow + 2;
    rects.emplace_back(x, top, width, h);
    x += width + 2;
  }
  return rects;
}

void PaintToolBar(QPainter& painter, const QRect& rect, const std::vector<ToolButton>& buttons,
                  const std::vector<QRect>& rects, int hover, int pressed) {
  painter.save();
  painter.translate(rect.topLeft());
  const QRect area(QPoint(0, 0), rect.size());
  const QImage& strip = BitmapImage("tbar1.bmp");
  const QImage& corner = BitmapImage("tbar1_corner.bmp");
  // The strip between two rounded ends (the corner bitmap, mirrored on the
  // left), over the frame's background.
  painter.fillRect(area, GetSkin().colour(SkinColour::Back));
  const int cw = corner.isNull() ? 0 : std::min(corner.width(), area.width() / 2);
  if (strip.isNull()) {
    painter.fillRect(area.adjusted(cw, 0, -cw, 0), look::Colour(look::kSilver));
  } else {
    DrawStretched(painter, area.adjusted(cw, 0, -cw, 0), strip);
  }
  if (cw > 0) {
    painter.drawImage(QRect(area.right() - cw + 1, 0, cw, area.height()), corner);
    painter.drawImage(QRect(0, 0, cw, area.height()), corner.mirrored(true, false));
  }
  painter.setFont(NormalFont());
  for (size_t i = 0; i < buttons.size() && i < rects.size(); ++i) {
    const ToolButton& button = buttons[i];
    const QRect r = rects[i];
    const bool isPressed = int(i) == pressed && int(i) == hover;
    if (int(i) == hover || isPressed) {
      painter.setRenderHint(QPainter::Antialiasing);
      QPainterPath path;
      path.addRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
      painter.fillPath(path, look::Colour(isPressed ? look::kAccentLight : look::kAccentPale));
      painter.setPen(look::Colour(look::kAccent));
      painter.drawPath(path);
      painter.setRenderHint(QPainter::Antialiasing, false);
    }
    const int shift = isPressed ? 1 : 0;
    int x = r.left() + kPad + shift;
    const QImage& icon = BitmapImage(button.bitmap);
    if (!icon.isNull()) painter.drawImage(QPoint(x, r.top() + (r.height() - icon.height()) / 2 + shift), icon);
    x += kIcon + kPad;
    if (!button.text.isEmpty()) {
      painter.setPen(look::Colour(look::kInk));
      const int textWidth = painter.fontMetrics().horizontalAdvance(button.text);
      painter.drawText(QRect(x, r.top() + shift, textWidth + 1, r.height()), Qt::AlignLeft | Qt::AlignVCenter,
                       button.text);
      x += textWidth + kPad;
    }
    if (button.dropDown) {
      const QImage& arrow = BitmapImage("flymenu_arrow.bmp");
      if (!arrow.isNull()) painter.drawImage(QPoint(x, r.top() + (r.height() - arrow.height()) / 2 + shift), arrow);
    }
  }
  painter.restore();
}

TesselToolBar::TesselToolBar(QWidget* parent) : TesselWnd(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void TesselToolBar::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TesselToolBar"); }

void TesselToolBar::AddButton(const ToolButton& button) {
  buttons_.push_back(button);
  Relayout();
}

void TesselToolBar::Relayout() {
  rects_ = LayoutToolBar(buttons_, QFontMetrics(NormalFont()), height());
  update();
}

QRect TesselToolBar::ButtonRect(int command) const {
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (buttons_[i].command == command) return rects_[i];
  }
  return {};
}

QRect TesselToolBar::ButtonScreenRect(int command) const {
  const QRect r = ButtonRect(command);
  return r.isNull() ? r : QRect(mapToGlobal(r.topLeft()), r.size());
}

int TesselToolBar::IndexAt(const QPoint& pos) const {
  for (size_t i = 0; i < rects_.size(); ++i) {
    if (rects_[i].contains(pos)) return int(i);
  }
  return -1;
}

void TesselToolBar::Paint(QPainter& painter) { PaintToolBar(painter, rect(), buttons_, rects_, hover_, pressed_); }

void TesselToolBar::resizeEvent(QResizeEvent*) { Relayout(); }

void TesselToolBar::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = hover_ = IndexAt(event->position().toPoint());
  update();
}

void TesselToolBar::mouseMoveEvent(QMouseEvent* event) {
  const int at = IndexAt(event->position().toPoint());
  if (at != hover_) {
    hover_ = at;
    update();
  }
}

void TesselToolBar::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const int at = IndexAt(event->position().toPoint());
  const int pressed = pressed_;
  pressed_ = -1;
  update();
  // The action runs only when the mouse is still over the pressed button.
  if (pressed >= 0 && at == pressed) PostCommand(notifyTarget(), buttons_[size_t(pressed)].command);
}

void TesselToolBar::leaveEvent(QEvent*) {
  hover_ = -1;
  update();
}

}  // namespace velmora
