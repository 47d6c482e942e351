#include "toolkit/TesselClassLinkButton.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

void PaintLinkButton(QPainter& painter, const QRect& rect, const QString& text, const QColor& colour, bool hover,
                     bool pressed, bool enabled) {
  painter.save();
  QFont font = NormalFont();
  font.setUnderline(enabled && (hover || pressed));
  painter.setFont(font);
  painter.setPen(enabled ? (pressed ? look::Colour(look::kAccentDark) : colour) : look::Colour(look::kSteel));
  painter.drawText(rect.translated(pressed ? 1 : 0, pressed ? 1 : 0), Qt::AlignCenter | Qt::TextSingleLine, text);
  painter.restore();
}

TesselClassLinkButton::TesselClassLinkButton(const QString& text, int command, QWidget* parent, QColor colour,
                                             QColor background)
    : TesselWnd(parent), text_(text), colour_(colour), background_(background) {
  SetControlId(command);
  setCursor(LoadCursorResource("CUR_HAND1"));
}

void TesselClassLinkButton::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassLinkButton");
}

void TesselClassLinkButton::SetText(const QString& text) {
  text_ = text;
  update();
}

int TesselClassLinkButton::idealWidth() const { return QFontMetrics(NormalFont()).horizontalAdvance(text_) + 6; }

void TesselClassLinkButton::EraseBackground(QPainter& painter) {
  if (background_.isValid()) painter.fillRect(rect(), background_);
}

void TesselClassLinkButton::Paint(QPainter& painter) {
  PaintLinkButton(painter, rect(), text_, colour_, hover_, pressed_, isEnabled());
}

void TesselClassLinkButton::enterEvent(QEnterEvent*) {
  hover_ = true;
  update();
}

void TesselClassLinkButton::leaveEvent(QEvent*) {
  hover_ = false;
  update();
}

void TesselClassLinkButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  pressed_ = true;
  update();
}

void TesselClassLinkButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || !pressed_) return;
  pressed_ = false;
  update();
  if (rect().contains(event->position().toPoint())) PostCommand(notifyTarget(), controlId());
}

void TesselClassLinkButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::EnabledChange) update();
  TesselWnd::changeEvent(event);
}

}  // namespace velmora
