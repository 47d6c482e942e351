#include "toolkit/TesselClassIndexBarWnd.h"

#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Fonts.h"

namespace velmora {

namespace {
const QColor kBarBackground(250, 250, 250);
const QColor kCellFill(230, 230, 230);
const QColor kCellFrame(190, 190, 190);
const QColor kCurrentFill(190, 190, 190);

int CellsPerRow(int width) { return std::max(1, width / kIndexCellSize); }
}  // namespace

TesselClassIndexBarWnd::TesselClassIndexBarWnd(int command, QWidget* parent) : TesselWnd(parent) {
  SetControlId(command);
}

void TesselClassIndexBarWnd::PrepareClass(WindowClass& windowClass) {
  windowClass.name = QStringLiteral("TesselClassIndexBarWnd");
  windowClass.background = kBarBackground;
  windowClass.cursor = Qt::PointingHandCursor;
}

QRect TesselClassIndexBarWnd::CellRect(char letter, int width) {
  if (letter < 'a' || letter > 'z') return {};
  const int index = letter - 'a';
  const int perRow = CellsPerRow(width);
  return QRect((index % perRow) * kIndexCellSize, (index / perRow) * kIndexCellSize, kIndexCellSize,
               kIndexCellSize);
}

char TesselClassIndexBarWnd::LetterAt(const QPoint& pos, int width) {
  if (pos.x() < 0 || pos.y() < 0) return 0;
  const int perRow = CellsPerRow(width);
  const int column = pos.x() / kIndexCellSize;
  if (column >= perRow) return 0;
  const int index = (pos.y() / kIndexCellSize) * perRow + column;
  return index < 26 ? char('a' + index) : 0;
}

void TesselClassIndexBarWnd::Paint(QPainter& painter) {
  painter.fillRect(rect(), kBarBackground);
  painter.setFont(SmallFont());
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    const QRect cell = CellRect(letter, width());
    const bool current = letter == current_;
    painter.fillRect(cell, current ? kCurrentFill : kCellFill);
    painter.setPen(current ? Qt::black : kCellFrame);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    painter.setPen(current ? Qt::white : Qt::black);
    painter.drawText(cell, Qt::AlignCenter, QString(QLatin1Char(letter)));
  }
}

void TesselClassIndexBarWnd::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  const char letter = LetterAt(event->position().toPoint(), width());
  if (letter == 0) return;
  current_ = letter;
  update();
  PostCommand(notifyTarget(), controlId(), letter);
}

}  // namespace velmora
