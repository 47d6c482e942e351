#include "toolkit/TFlyMenu.h"

#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "toolkit/Bitmaps.h"
#include "toolkit/Fonts.h"
#include "toolkit/Look.h"

namespace velmora {

void PaintFlyMenu(QPainter& painter, const QRect& rect, const QString& text, bool hover, bool open) {
  painter.save();
  const QRectF box = QRectF(rect).adjusted(1.5, 2.5, -1.5, -2.5);
  painter.setRenderHint(QPainter::Antialiasing);
  QPainterPath path;
  path.addRoundedRect(box, 3, 3);
  painter.fillPath(path, look::Colour(open ? look::kAccentPale : look::kWhite));
  painter.setPen(look::Colour(hover || open ? look::kAccent : look::kSteel));
  painter.drawPath(path);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QImage& glyph = BitmapImage("flymenu_arrow.bmp");
  const int glyphWidth = glyph.isNull() ? 10 : glyph.width();
  const QRect textRect = rect.adjusted(7, 0, -(glyphWidth + 12), 0);
  painter.setFont(NormalFont());
  painter.setPen(look::Colour(look::kInk));
  painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   painter.fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
  if (!glyph.isNull()) {
    painter.drawImage(QPoint(rect.right() - glyphWidth - 6, rect.top() + (rect.height() - glyph.height()) / 2), glyph);
  }
  painter.restore();
}

TFlyMenu::TFlyMenu(QWidget* parent) : TesselWnd(parent) {}

void TFlyMenu::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TFlyMenu"); }

bool TFlyMenu::AddEntry(const QString& text, int command) {
  if (entries_.size() >= size_t(kMaxFlyEntries)) return false;
  entries_.push_back(FlyEntry{text, command, false});
  if (chosen_ < 0) chosen_ = int(entries_.size()) - 1;
  update();
  return true;
}

bool TFlyMenu::AddSeparator() {
  if (entries_.size() >= size_t(kMaxFlyEntries)) return false;
  entries_.push_back(FlyEntry{{}, 0, true});
  return true;
}

void TFlyMenu::Clear() {
  entries_.clear();
  chosen_ = -1;
  update();
}

bool TFlyMenu::SetChosen(int command) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i].separator && entries_[i].command == command) {
      chosen_ = int(i);
      update();
      return true;
    }
  }
  return false;
}

QString TFlyMenu::chosenText() const {
  return chosen_ >= 0 && size_t(chosen_) < entries_.size() ? entries_[size_t(chosen_)].text : QString();
}

void TFlyMenu::Choose(int index) {
  if (index < 0 || size_t(index) >= entries_.size() || entries_[size_t(index)].separator) return;
  chosen_ = index;
  update();
  const FlyEntry& entry = entries_[size_t(index)];
  PostCommand(notifyTarget(), Command{entry.command, 0, entry.text, {}});
}

void TFlyMenu::FillList(QMenu& menu) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].separator) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(entries_[i].text);
    action->setData(int(i));
    // A checkable action is drawn with a box even when unchecked, so only
    // the chosen entry is made checkable.
    if (int(i) == chosen_) {
      action->setCheckable(true);
      action->setChecked(true);
    }
  }
}

void TFlyMenu::OpenList() {
  QMenu menu(this);
  menu.setFont(NormalFont());
  menu.setMinimumWidth(width());
  FillList(menu);
  open_ = true;
  update();
  QAction* picked = menu.exec(mapToGlobal(QPoint(0, height())));
  open_ = false;
  update();
  if (picked) Choose(picked->data().toInt());
}

void TFlyMenu::Paint(QPainter& painter) { PaintFlyMenu(painter, rect(), chosenText(), hover_, open_); }

void TFlyMenu::enterEvent(QEnterEvent*) {
  hover_ = true;
  update();
}

void TFlyMenu::leaveEvent(QEvent*) {
  hover_ = false;
  update();
}

void TFlyMenu::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  OpenList();
}

}  // namespace velmora
