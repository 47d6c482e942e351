#include "toolkit/TesselClassWndBin.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Bitmaps.h"
#include "toolkit/SoundPlayer.h"

namespace velmora {

TesselClassWndBin::TesselClassWndBin(BinHooks hooks, QWidget* parent, int command)
    : TesselWnd(parent), hooks_(std::move(hooks)) {
  SetControlId(command);
  setMouseTracking(true);
  bitmapHeight_ = BitmapImage(bitmapName()).height();
}

void TesselClassWndBin::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassWndBin");
}

void TesselClassWndBin::SetBackground(const QColor& colour) {
  background_ = colour;
  update();
}

const char* TesselClassWndBin::bitmapName() const { return holds() ? "recicle2.bmp" : "recicle1.bmp"; }

QRect TesselClassWndBin::iconArea() const {
  const int centre = width() / 2;
  return QRect(centre - kIconHalfWidth, height() - bitmapHeight_, 2 * kIconHalfWidth, bitmapHeight_);
}

bool TesselClassWndBin::AcceptsDrop(const QPoint& global) const {
  const bool front = hooks_.foreground ? hooks_.foreground() : window()->isActiveWindow();
  if (!front) return false;
  const QPoint at = mapFromGlobal(global);
  const int centre = width() / 2;
  return at.x() >= centre - kDropLeft && at.x() <= centre + kDropRight && at.y() >= height() - bitmapHeight_ &&
         at.y() < height();
}

void TesselClassWndBin::EraseBackground(QPainter& painter) {
  if (background_.isValid()) {
    painter.fillRect(rect(), background_);
  } else {
    TesselWnd::EraseBackground(painter);
  }
}

void TesselClassWndBin::Paint(QPainter& painter) {
  const QImage& image = BitmapImage(bitmapName());
  bitmapHeight_ = image.height();
  if (image.isNull()) return;
  painter.drawImage(QPoint((width() - image.width()) / 2, height() - image.height()), image);
}

void TesselClassWndBin::mouseMoveEvent(QMouseEvent* event) {
  if (iconArea().contains(event->position().toPoint())) {
    setCursor(LoadCursorResource("CUR_HAND1"));
  } else {
    setCursor(Qt::ArrowCursor);
  }
}

void TesselClassWndBin::Click() {
  if (holds()) {
    Tell(kNotifyUndo);
  } else if (hooks_.tell) {
    hooks_.tell(QStringLiteral("Bin is empty."));
  }
  update();
}

void TesselClassWndBin::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && iconArea().contains(event->position().toPoint())) Click();
}

void TesselClassWndBin::contextMenuEvent(QContextMenuEvent* event) {
  if (!iconArea().contains(event->pos())) return;
  QMenu menu(this);
  FillMenu(menu);
  menu.exec(event->globalPos());
}

void TesselClassWndBin::FillMenu(QMenu& menu) {
  const bool full = holds();
  QAction* undo = menu.addAction(QStringLiteral("&Undo delete"));
  undo->setData(kCmdMenuUndo);
  undo->setEnabled(full);
  menu.addSeparator();
  QAction* empty = menu.addAction(QStringLiteral("&Empty bin"));
  empty->setData(kCmdMenuEmpty);
  empty->setEnabled(full);
  connect(undo, &QAction::triggered, this, [this] { OnCommand(Command{kCmdMenuUndo, 0, {}, {}}); });
  connect(empty, &QAction::triggered, this, [this] { OnCommand(Command{kCmdMenuEmpty, 0, {}, {}}); });
}

qintptr TesselClassWndBin::Tell(qintptr param) { return SendCommand(notifyTarget(), controlId(), param); }

qintptr TesselClassWndBin::OnCommand(const Command& command) {
  switch (command.id) {
    case kCmdDragOver: return AcceptsDrop(command.point) ? 1 : 0;
    case kCmdDropMove:
      if (!AcceptsDrop(command.point)) return 0;
      if (Tell(kNotifyDelete) == 1) {
        SoundPlayer::Instance().Play("bindel.wav");
        update();
        return 1;
      }
      return 0;
    case kCmdMenuUndo:
      if (holds()) Tell(kNotifyUndo);
      update();
      return 1;
    case kCmdMenuEmpty:
      if (hooks_.empty) hooks_.empty();
      update();
      return 1;
    default: return 0;
  }
}

}  // namespace velmora
