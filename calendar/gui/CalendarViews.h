// MonthView and WeekView: the Month and Week tabs of the calendar pane. Each
// shows the events of the open file around one date (a month grid, or the
// seven days of a week) with the pane's category filter, and tells the pane
// which day was clicked.
//
// A view reads the file once for all the days it shows (LoadDayAgenda) and
// keeps that agenda for its paints until the file, the filter or the date
// is set again or Reload() is called.
#pragma once

#include <QRect>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "calendar/model/DayAgenda.h"
#include "store/Dates.h"
#include "store/Result.h"
#include "toolkit/TesselWnd.h"

namespace velmora {

class RecordStore;

// The time of a day cell: FormatTime, except that the 12-hour clock writes
// "a" or "p" right after the minutes ("9:05a").
std::string ShortTimeText(const TimeValue& time);
std::string ShortTimeText(const TimeValue& time, ClockStyle style);

// One line of a day cell: the short start time and the subject ("%s %s"),
// or the subject alone for an all-day event. Control characters of the
// subject show as blanks, so that a line stays one line.
std::string EventLineText(const EventRecord& event);

// Height of one event line in a day cell, and the room a line must leave
// below it to the cell's bottom.
inline constexpr int kEventLineHeight = 10;
inline constexpr int kCellBottomMargin = 10;

// How many event lines a cell of that height has room for when its lines
// start linesTop pixels below the cell's top: every line ends at least
// kCellBottomMargin pixels above the cell's bottom.
int EventLinesThatFit(int cellHeight, int linesTop);

// The lines a day cell draws: the day's events of the agenda in their order
// (all-day first, then by start time), at most maxLines of them.
std::vector<std::string> DayCellLines(const DayAgenda& agenda, size_t day, int maxLines);

// One day of a view's grid.
struct DayCell {
  QRect rect;
  DateValue date;
};

// What the month and week views share: the file, the date, the filter, the
// agenda of the days shown, the title with its three buttons, and the
// mouse and keys that move the date.
class CalendarGridView : public TesselWnd {
  Q_OBJECT

 public:
  explicit CalendarGridView(QWidget* parent = nullptr);

  // The file whose events are shown; nullptr shows empty cells.
  void SetRecordFile(RecordStore* store);
  void SetFilter(const EventFilter& filter);
  // Shows the month (or week) holding date. An invalid date shows today.
  void SetDate(const DateValue& date);
  const DateValue& date() const { return date_; }
  // Reads the events again (after the records changed) and paints.
  void Reload();

  // The three buttons in the bottom right corner.
  enum class Button { Next, Today, Previous };
  // Next and previous month (week): true when the date moved; a step that
  // would leave the calendar's years beeps and changes nothing.
  bool StepForward();
  bool StepBack();
  // Back to the current date.
  void GoToday();

  // Layout, in the view's own coordinates.
  QRect ButtonRect(Button button) const;
  QRect TitleRect() const;
  QString TitleText() const;
  // The area of the day cells: the usable rectangle cut to whole cells.
  virtual QRect GridRect() const = 0;
  // The cells of the days shown, earliest first (days outside the
  // calendar's years have none).
  virtual std::vector<DayCell> Cells() const = 0;
  // The cell's label: the day number, or number and weekday name.
  virtual std::string CellLabel(const DateValue& date) const = 0;
  // Where a cell's event lines start, below its label.
  static constexpr int kLinesTop = 14;
  // The day whose cell holds point; false when none does.
  bool DayAt(const QPoint& point, DateValue& out) const;
  // The first and last day shown (their agenda range).
  virtual void ShownRange(DateValue& first, DateValue& last) const = 0;

  // The lines the cell of date draws at the view's present size (reads the
  // file when the agenda is not loaded). Empty for a day not shown.
  std::vector<std::string> LinesOf(const DateValue& date);
  // The outcome of the last reading of the file; a failure is shown in the
  // view.
  const Result& loadResult() const { return loadResult_; }
  // How many times the file was read since the view was made.
  int agendaLoads() const { return agendaLoads_; }

 signals:
  // A day cell was clicked (or Enter pressed on the selected day): its
  // DayNumber.
  void dateClicked(int dayNumber);
  // The view moved its date by itself (buttons, keys, a click): its
  // DayNumber, so that the pane can follow.
  void dateChanged(int dayNumber);

 protected:
  // Moves the date by a whole step (month or week) forward (+1) or back
  // (-1); false, date unchanged, at the calendar's ends.
  virtual bool StepDate(DateValue& date, int direction) const = 0;
  // The moves of the arrow keys Up and Down, in days.
  virtual int RowDays() const = 0;

  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  // Drawn before the cells (the month's weekday names).
  virtual void PaintHeader(QPainter& painter);
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

  // The usable rectangle for cells: inside the frame, above the title.
  QRect Usable() const;
  static constexpr int kMargin = 4;
  static constexpr int kBottomStrip = 32;

 private:
  // The agenda of the days shown, read when missing.
  const DayAgenda* Agenda();
  void DropAgenda();
  // Sets the date after a move of the view's own; the agenda goes when the
  // days shown change.
  void MoveTo(const DateValue& date);
  bool MoveByDays(int days);
  void PaintButton(QPainter& painter, Button button) const;
  void PaintCell(QPainter& painter, const DayCell& cell, const DayAgenda* agenda, const DateValue& today);

  RecordStore* store_ = nullptr;
  EventFilter filter_;
  DateValue date_;
  DayAgenda agenda_;
  bool agendaLoaded_ = false;
  Result loadResult_ = Result::Ok();
  int agendaLoads_ = 0;
};

// The month grid: seven columns Sunday..Saturday under their short names,
// six rows, day 1 in the column of its weekday.
class MonthView : public CalendarGridView {
  Q_OBJECT

 public:
  explicit MonthView(QWidget* parent = nullptr);

  static constexpr int kColumns = 7;
  static constexpr int kRows = 6;
  static constexpr int kHeaderHeight = 14;

  QRect GridRect() const override;
  std::vector<DayCell> Cells() const override;
  std::string CellLabel(const DateValue& date) const override;
  void ShownRange(DateValue& first, DateValue& last) const override;
  // The rectangle of the weekday name over column 0 (Sunday) .. 6, and the
  // name ("Su".."Sa").
  QRect HeaderRect(int column) const;
  static std::string HeaderText(int column);

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  bool StepDate(DateValue& date, int direction) const override;
  int RowDays() const override { return 7; }
  void PaintHeader(QPainter& painter) override;
};

// The week holding the date, Monday..Sunday, in four columns and two rows;
// the eighth cell stays empty.
class WeekView : public CalendarGridView {
  Q_OBJECT

 public:
  explicit WeekView(QWidget* parent = nullptr);

  static constexpr int kColumns = 4;
  static constexpr int kRows = 2;

  QRect GridRect() const override;
  std::vector<DayCell> Cells() const override;
  std::string CellLabel(const DateValue& date) const override;
  void ShownRange(DateValue& first, DateValue& last) const override;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  bool StepDate(DateValue& date, int direction) const override;
  int RowDays() const override { return 7; }
};

}  // namespace velmora
