// MonthView and WeekView: the Month and Week tabs of the calendar pane. Each
// shows the events of the open file around one date (a month grid, or the
// seven days of a week) with the pane's category filter, and tells the pane
// which day was clicked.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>

#include "calendar/model/DayAgenda.h"
#include "store/Dates.h"

namespace velmora {

class RecordStore;

// The time of a day cell: FormatTime, except that the 12-hour clock writes
// "a" or "p" right after the minutes ("9:05a").
std::string ShortTimeText(const TimeValue& time);

// What the month and week views share: the file, the date, the filter and
// the day a click names.
class CalendarGridView : public QWidget {
  Q_OBJECT

 public:
  explicit CalendarGridView(QWidget* parent = nullptr);

  // The file whose events are shown; nullptr shows empty cells.
  void SetRecordFile(RecordStore* store);
  void SetFilter(const EventFilter& filter);
  // Shows the month (or week) holding date.
  void SetDate(const DateValue& date);
  const DateValue& date() const { return date_; }
  // Paints again after the records changed.
  void Reload();

 signals:
  // A day cell was clicked: its DayNumber.
  void dateClicked(int dayNumber);

 protected:
  RecordStore* store_ = nullptr;
  EventFilter filter_;
  DateValue date_;
};

class MonthView : public CalendarGridView {
  Q_OBJECT

 public:
  explicit MonthView(QWidget* parent = nullptr);
};

class WeekView : public CalendarGridView {
  Q_OBJECT

 public:
  explicit WeekView(QWidget* parent = nullptr);
};

}  // namespace velmora
