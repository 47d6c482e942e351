#include "toolkit/TesselCalMonth.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include "toolkit/Fonts.h"
#include "toolkit/PaletteColours.h"

namespace velmora {

CalMonthLayout CalMonthLayout::For(const QRect& client, int year, int month) {
  CalMonthLayout layout;
  const int width = std::max(0, client.width() - client.width() % kColumns);
  const int height = std::max(0, client.height() - client.height() % kRows);
  layout.grid = QRect(client.topLeft(), QSize(width, height));
  layout.cellWidth = width / kColumns;
  layout.cellHeight = height / kRows;
  const int days = MonthLength(year, month);
  const int first = Weekday(year, month, 1);
  if (days > 0 && first >= 0) {
    layout.days = days;
    layout.firstColumn = first;
  }
  return layout;
}

bool CalMonthLayout::CellOf(int day, int& row, int& column) const {
  if (day < 1 || day > days) return false;
  const int index = firstColumn + day - 1;
  row = index / kColumns;
  column = index % kColumns;
  return row < kRows;
}

QRect CalMonthLayout::CellRect(int day) const {
  int row = 0, column = 0;
  if (!CellOf(day, row, column)) return {};
  return QRect(grid.left() + column * cellWidth, grid.top() + row * cellHeight, cellWidth, cellHeight);
}

int CalMonthLayout::DayAt(const QPoint& point) const {
  if (cellWidth <= 0 || cellHeight <= 0 || !grid.contains(point)) return 0;
  const int column = (point.x() - grid.left()) / cellWidth;
  const int row = (point.y() - grid.top()) / cellHeight;
  const int day = row * kColumns + column - firstColumn + 1;
  return day >= 1 && day <= days ? day : 0;
}

int CalMonthLayout::RowsUsed() const {
  if (days == 0) return 0;
  return (firstColumn + days + kColumns - 1) / kColumns;
}

TesselCalMonth::TesselCalMonth(int controlId, QColor background, QColor selection, QColor today, QWidget* parent)
    : TesselWnd(parent), colours_{background, selection, today} {
  SetControlId(controlId);
  setAcceptDrops(true);
  const DateValue now = Today();
  (void)SetDate(int(now.year), int(now.month), int(now.day));
}

void TesselCalMonth::PrepareClass(WindowClass& windowClass) { windowClass.name = QStringLiteral("TesselCalMonth"); }

Result TesselCalMonth::SetDate(int year, int month, int day) {
  if (year < kFirstYear || year > kLastYear || !IsValidMonth(month)) {
    return Result::Fail("The date " + std::to_string(day) + "/" + std::to_string(month) + "/" +
                        std::to_string(year) + " is outside the calendar");
  }
  year_ = year;
  month_ = month;
  day_ = std::clamp(day, 1, MonthLength(year, month));
  update();
  return Result::Ok();
}

bool TesselCalMonth::ClickAt(const QPoint& point) {
  const int day = layout().DayAt(point);
  if (day == 0) return false;
  day_ = day;
  update();
  PostCommand(notifyTarget(), controlId(), day);
  return true;
}

bool TesselCalMonth::DropsHeeded() { return QApplication::activeWindow() != nullptr; }

bool TesselCalMonth::DropAt(const QPoint& point, int kind, const QString& payload) {
  if (kind != kCmdDropMove && kind != kCmdDropCopy) return false;
  if (!DropsHeeded()) return false;
  const int day = layout().DayAt(point);
  if (day == 0 || day == day_) return false;
  PostCommand(notifyTarget(), Command{MakeCommandId(controlId(), kind), day, payload, {}});
  return true;
}

qintptr TesselCalMonth::OnCommand(const Command& command) {
  switch (command.id) {
    case kCmdDragOver:
      return DropsHeeded() ? 1 : 0;
    case kCmdDropMove:
    case kCmdDropCopy:
      return DropAt(mapFromGlobal(command.point), command.id, command.text) ? 1 : 0;
    default:
      return TesselWnd::OnCommand(command);
  }
}

void PaintCalMonth(QPainter& painter, const CalMonthLayout& layout, int year, int month, int selectedDay,
                   const DateValue& today, const CalMonthColours& colours) {
  painter.save();
  painter.fillRect(layout.grid, colours.background);
  QFont font = NormalFont();
  font.setWeight(QFont::Normal);
  painter.setFont(font);
  painter.setBackgroundMode(Qt::TransparentMode);
  for (int day = 1; day <= layout.days; ++day) {
    const QRect cell = layout.CellRect(day);
    if (day == selectedDay) {
      painter.fillRect(cell, colours.selection);
      painter.setPen(look::Colour(look::kSteelDark));
      painter.drawRect(cell.adjusted(0, 0, -1, -1));
    }
    const bool isToday = today == DateValue{uint32_t(day), uint32_t(month), uint32_t(year)};
    painter.setPen(isToday ? colours.today : QColor(Qt::black));
    painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine, QString::asprintf("%d", day));
  }
  painter.restore();
}

// The strip that narrowing leaves over is the background too.
void TesselCalMonth::EraseBackground(QPainter& painter) { painter.fillRect(rect(), colours_.background); }

void TesselCalMonth::Paint(QPainter& painter) {
  PaintCalMonth(painter, layout(), year_, month_, day_, Today(), colours_);
}

void TesselCalMonth::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    event->ignore();
    return;
  }
  ClickAt(event->position().toPoint());
}

void TesselCalMonth::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasFormat(QString::fromLatin1(kCalendarDropMime)) && DropsHeeded()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TesselCalMonth::dragMoveEvent(QDragMoveEvent* event) {
  // Hovering only says that the grid takes the drop.
  if (event->mimeData()->hasFormat(QString::fromLatin1(kCalendarDropMime)) && DropsHeeded()) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

void TesselCalMonth::dropEvent(QDropEvent* event) {
  const QMimeData* data = event->mimeData();
  if (!data->hasFormat(QString::fromLatin1(kCalendarDropMime))) {
    event->ignore();
    return;
  }
  const int kind = event->dropAction() == Qt::CopyAction ? kCmdDropCopy : kCmdDropMove;
  const QString payload = QString::fromUtf8(data->data(QString::fromLatin1(kCalendarDropMime)));
  if (DropAt(event->position().toPoint(), kind, payload)) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}

}  // namespace velmora
