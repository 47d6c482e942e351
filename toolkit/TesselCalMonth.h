// TesselCalMonth: the month grid of the mini calendar. Seven columns from
// Sunday to Saturday and six rows; day 1 stands in the first row in the
// column of its weekday. A click on a day selects it and posts the grid's
// control id with the day to the notify target. Something dropped on a day
// other than the selected one (the toolkit's drag commands 1021 and 1022, or
// a Qt drag carrying kCalendarDropMime) posts the control id with the drop
// kind in its high half and the day as parameter; drops are heeded only
// while a window of the program is active.
#pragma once

#include <QColor>
#include <QRect>

#include "store/Dates.h"
#include "store/Result.h"
#include "toolkit/TesselWnd.h"

namespace velmora {

// The MIME type of what may be dropped on a month grid; the payload travels
// on as the command's text.
inline constexpr char kCalendarDropMime[] = "application/x-velmora-calendar-drop";

// Where the days of a month stand in a grid's client rectangle.
struct CalMonthLayout {
  static constexpr int kColumns = 7;
  static constexpr int kRows = 6;

  // The client rectangle narrowed to a width that is a multiple of 7 and a
  // height that is a multiple of 6 (top left kept).
  QRect grid;
  int cellWidth = 0;
  int cellHeight = 0;
  int firstColumn = 0;  // the weekday of day 1, 0 Sunday .. 6 Saturday
  int days = 0;         // 0 for an invalid month

  static CalMonthLayout For(const QRect& client, int year, int month);
  // Row (0..5) and column (0..6) of a day of the month; false for others.
  bool CellOf(int day, int& row, int& column) const;
  QRect CellRect(int day) const;  // empty for days outside the month
  // The day whose cell holds point, 0 when none does.
  int DayAt(const QPoint& point) const;
  // Rows the month takes (4 to 6).
  int RowsUsed() const;
};

// The three colours of a grid.
struct CalMonthColours {
  QColor background;
  QColor selection;  // fill of the selected day
  QColor today;      // today's number
};

// Paints the days of the month laid out in layout: the background, the
// selected day filled and framed, every number "%d" centred in its cell in
// the normal font, today's in its colour and the others black.
void PaintCalMonth(QPainter& painter, const CalMonthLayout& layout, int year, int month, int selectedDay,
                   const DateValue& today, const CalMonthColours& colours);

class TesselCalMonth : public TesselWnd {
  Q_OBJECT

 public:
  TesselCalMonth(int controlId, QColor background, QColor selection, QColor today, QWidget* parent = nullptr);

  // Shows the month and selects the day; a day beyond the month's length
  // becomes its last day, a day below 1 its first. Refused (nothing
  // changes) unless the year is 1800..2199 and the month 1..12.
  Result SetDate(int year, int month, int day);
  DateValue date() const { return DateValue{uint32_t(day_), uint32_t(month_), uint32_t(year_)}; }
  int year() const { return year_; }
  int month() const { return month_; }
  int day() const { return day_; }

  const CalMonthColours& colours() const { return colours_; }

  CalMonthLayout layout() const { return CalMonthLayout::For(rect(), year_, month_); }

  // Clicking the day at point: selects it and notifies. False when no day
  // is there.
  bool ClickAt(const QPoint& point);
  // A drop of kind kCmdDropMove or kCmdDropCopy at point (local): false,
  // and nothing posted, when it is not heeded (no window of the program is
  // active, no day there, or the selected day).
  bool DropAt(const QPoint& point, int kind, const QString& payload = {});
  // Whether drops are heeded now (a window of the program is active).
  static bool DropsHeeded();

  // 1020 answers 1 while drops are heeded; 1021 and 1022 (with the screen
  // point) drop there.
  qintptr OnCommand(const Command& command) override;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void mousePressEvent(QMouseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CalMonthColours colours_;
  int year_ = 2000;
  int month_ = 1;
  int day_ = 1;
};

}  // namespace velmora
