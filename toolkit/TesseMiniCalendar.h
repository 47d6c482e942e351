// TesseMiniCalendar: the mini calendar. A row with the previous-month
// button (101), the month selector (entries 0..11), the year selector
// (entries are the year numbers), the next-month button (102) and the today
// button (103); under it the one-letter weekday names, Sunday's in red; under
// them the month grid (100).
//
// Every change of the date rewrites the process-wide picked date and posts
// to the notify target a command whose low half is the calendar's control id
// and whose high half is 0, or the drop kind 1021 or 1022 for something
// dropped on another day of the grid; its parameter is the picked date
// (DateParam), its text the dropped payload.
#pragma once

#include "store/Dates.h"
#include "store/Result.h"
#include "toolkit/TesselWnd.h"

namespace velmora {

class TesselCalMonth;
class TFlyMenu;

// The picked date: one record for the whole process, rewritten at every
// change of a mini calendar.
const DateValue& PickedDate();

// A date as a command parameter (year * 10000 + month * 100 + day) and back.
constexpr qintptr DateParam(const DateValue& date) {
  return qintptr(date.year) * 10000 + qintptr(date.month) * 100 + qintptr(date.day);
}
constexpr DateValue DateFromParam(qintptr param) {
  if (param < 0) return {};
  return DateValue{uint32_t(param % 100), uint32_t(param / 100 % 100), uint32_t(param / 10000)};
}

// The one-letter weekday names stand in this colour on Sunday.
inline constexpr QRgb kSundayLetter = 0xFFFF0000u;

class TesseMiniCalendar : public TesselWnd {
  Q_OBJECT

 public:
  static constexpr int kGridId = 100;
  static constexpr int kPreviousId = 101;
  static constexpr int kNextId = 102;
  static constexpr int kTodayId = 103;
  // The year selector holds at most this many years around the shown one,
  // rebuilt whenever the shown year changes.
  static constexpr int kYearEntries = 100;

  // The grid's colours: background, selection fill and today's number.
  TesseMiniCalendar(int controlId, QColor background, QColor selection, QColor today, QWidget* parent = nullptr);

  // Shows the date (grid and both selectors) without notifying. Refused
  // unless the year is 1800..2199 and the month 1..12; a day beyond the
  // month's length becomes its last day.
  Result SetDate(int year, int month, int day);
  Result SetDate(const DateValue& date) { return SetDate(int(date.year), int(date.month), int(date.day)); }
  DateValue date() const;

  TesselCalMonth* grid() const { return grid_; }
  TFlyMenu* yearSelector() const { return years_; }
  TFlyMenu* monthSelector() const { return months_; }
  TesselWnd* button(int id) const;

  // The header row of weekday letters and the selector row, in client
  // coordinates.
  QRect selectorRow() const;
  QRect headerRow() const;
  // The column of weekday (0 Sunday .. 6 Saturday) in the header.
  QRect HeaderCell(int weekday) const;

  QSize sizeHint() const override;

  // 101, 102, 103, the selectors' entries and the grid's notifications.
  qintptr OnCommand(const Command& command) override;

 protected:
  void PrepareClass(WindowClass& windowClass) override;
  void EraseBackground(QPainter& painter) override;
  void Paint(QPainter& painter) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // Puts the date on the grid and the selectors.
  void Show(const DateValue& date);
  void FillYears(int shownYear);
  // The month names, whole or (abbreviated) their first three letters.
  void FillMonths(bool abbreviated);
  void Arrange();
  // Rewrites the picked date and posts it with high as the high half.
  void NotifyPicked(const DateValue& picked, int high, const QString& text = {});

  TesselCalMonth* grid_;
  TFlyMenu* years_;
  TFlyMenu* months_;
  bool monthsAbbreviated_ = false;
  TesselWnd* buttons_[3];
  QColor background_;
};

}  // namespace velmora
