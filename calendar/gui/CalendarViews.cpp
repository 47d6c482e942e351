#include "calendar/gui/CalendarViews.h"

#include "store/Dates.h"

namespace velmora {

std::string ShortTimeText(const TimeValue& time) { return FormatTime(time); }

CalendarGridView::CalendarGridView(QWidget* parent) : QWidget(parent) {}

void CalendarGridView::SetRecordFile(RecordStore* store) {
  store_ = store;
  update();
}

void CalendarGridView::SetFilter(const EventFilter& filter) {
  filter_ = filter;
  update();
}

void CalendarGridView::SetDate(const DateValue& date) {
  date_ = date;
  update();
}

void CalendarGridView::Reload() { update(); }

MonthView::MonthView(QWidget* parent) : CalendarGridView(parent) {}

WeekView::WeekView(QWidget* parent) : CalendarGridView(parent) {}

}  // namespace velmora
