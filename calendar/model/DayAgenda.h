// The events of each day of a range, in order, with the category filter
// applied: what the day list, the week and month views and the day report
// show.
//
// `LoadDayAgenda` reads the file once for the whole range and walks each
// event's occurrences arithmetically; `QueryDayEvents` is the query of a
// single day that a day list runs and keeps for its refresh. For every day
// both give the same records in the same order.
#pragma once

#include <string>
#include <vector>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordQuery.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

struct EventFilter {
  std::string category;  // empty: "All Categories"
  bool subjectFilter = false;
  std::string subject;  // with subjectFilter: the subject contains it, ignoring case
};

// Adds the filter's conditions to a query, each with connector "and": the
// category equal to the filter's (ignoring case), the subject containing the
// text. Nothing when the filter is empty.
bool AddEventFilterConditions(RecordQuery& query, const EventFilter& filter);

class DayAgenda {
 public:
  DateValue first() const;
  size_t dayCount() const { return days_.size(); }
  DateValue DateAt(size_t day) const;  // first() + day
  // Indices of the day's events, in the order within a day: all-day events
  // first, then by start time, equal ones in file order.
  // REQUIRES: day < dayCount().
  const std::vector<uint32_t>& EventsOn(size_t day) const { return days_[day]; }
  std::vector<RecordPosition> PositionsOn(size_t day) const;
  // Each event that occurs in the range, once, in file order.
  size_t eventCount() const { return events_.size(); }
  const EventRecord& event(uint32_t index) const { return events_[index]; }
  RecordPosition position(uint32_t index) const { return positions_[index]; }

 private:
  friend Result LoadDayAgenda(RecordStore&, const DateValue&, const DateValue&, const EventFilter&, DayAgenda&);
  int32_t firstDay_ = 0;
  std::vector<EventRecord> events_;
  std::vector<RecordPosition> positions_;
  std::vector<std::vector<uint32_t>> days_;
};

// Fills out for the days from..to (valid dates, from not after to) with the
// records this connection may see that occur on each day and pass the filter.
Result LoadDayAgenda(RecordStore& store, const DateValue& from, const DateValue& to, const EventFilter& filter,
                     DayAgenda& out);

// The records that occur on one day and pass the filter, as a query of the
// whole file sorted in the order within a day. The query keeps its
// conditions, so a refresh can run it again.
Result QueryDayEvents(RecordStore& store, const DateValue& day, const EventFilter& filter, RecordQuery& query);

}  // namespace velmora
