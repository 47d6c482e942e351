#include "calendar/model/DayAgenda.h"

#include <algorithm>

#include "calendar/model/EventScan.h"
#include "calendar/model/Recurrence.h"
#include "store/Categories.h"

namespace velmora {

bool AddEventFilterConditions(RecordQuery& query, const EventFilter& filter) {
  bool ok = true;
  if (!filter.category.empty()) ok = AddCategoryEqualsConditions(query, filter.category);
  if (ok && filter.subjectFilter) {
    ok = query.AddTextCondition(event::kSubject, event::kSubjectWidth, kOpContains, filter.subject, kConnectorAnd);
  }
  return ok;
}

DateValue DayAgenda::first() const { return DateAt(0); }

DateValue DayAgenda::DateAt(size_t day) const {
  DateValue date;
  DateFromDayNumber(firstDay_ + int32_t(day), date);
  return date;
}

std::vector<RecordPosition> DayAgenda::PositionsOn(size_t day) const {
  std::vector<RecordPosition> out;
  out.reserve(days_[day].size());
  for (uint32_t index : days_[day]) out.push_back(positions_[index]);
  return out;
}

Result LoadDayAgenda(RecordStore& store, const DateValue& from, const DateValue& to, const EventFilter& filter,
                     DayAgenda& out) {
  out = DayAgenda{};
  const int32_t first = DayNumber(from);
  const int32_t last = DayNumber(to);
  if (first == kInvalidDayNumber || last == kInvalidDayNumber || first > last) {
    return Result::Fail("Invalid range of days for", 0, store.path());
  }
  RecordQuery conditions;
  if (!AddEventFilterConditions(conditions, filter)) {
    return Result::Fail("Cannot build the filter for", 0, store.path());
  }

  out.firstDay_ = first;
  out.days_.resize(size_t(last - first) + 1);
  std::vector<int> keys;  // order key within a day, per event
  Result scanned = ScanEvents(store, ScanVisibility::AsQuery, [&](const uint8_t* record, RecordPosition at) {
    int32_t day = FirstEventDayFrom(record, first);
    if (day == kInvalidDayNumber || day > last) return;
    if (!conditions.Matches(record, store.recordSize())) return;
    const uint32_t index = uint32_t(out.events_.size());
    out.events_.emplace_back(record, event::kRecordSize);
    out.positions_.push_back(at);
    keys.push_back(DayOrderKey(record));
    while (day != kInvalidDayNumber && day <= last) {
      out.days_[size_t(day - first)].push_back(index);
      if (day == last) break;
      day = FirstEventDayFrom(record, day + 1);
    }
  });
  if (!scanned) {
    out = DayAgenda{};
    return scanned;
  }
  // Indices grow in file order, so a stable sort keeps file order for equal
  // keys, as the query's sort does.
  for (auto& day : out.days_) {
    std::stable_sort(day.begin(), day.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
  }
  return Result::Ok();
}

Result QueryDayEvents(RecordStore& store, const DateValue& day, const EventFilter& filter, RecordQuery& query) {
  query.Reset();
  if (store.IsOpen() && store.recordSize() < event::kRecordSize) {
    return Result::Fail("Not a calendar file (its records are too small):", 0, store.path());
  }
  uint8_t operand[format::kDateValueSize];
  PutDate(operand, day);
  auto occursOn = [day](const uint8_t* record, const QueryCondition&) { return OccursOn(record, day) ? 1 : 0; };
  if (!query.AddCallbackCondition(0, operand, sizeof operand, occursOn, kConnectorAnd) ||
      !AddEventFilterConditions(query, filter)) {
    return Result::Fail("Cannot build the day query for", 0, store.path());
  }
  Result ran = query.Run(store);
  if (!ran) return ran;
  return query.Sort(store, kDayOrderKeyOffset, kDayOrderKeyLength, CompareDayOrderKey);
}

}  // namespace velmora
