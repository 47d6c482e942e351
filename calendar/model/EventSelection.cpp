#include "calendar/model/EventSelection.h"

#include <algorithm>

#include "calendar/model/DayAgenda.h"
#include "calendar/model/EventScan.h"
#include "calendar/model/Recurrence.h"
#include "store/RecordQuery.h"

namespace velmora {

ExportOptions ExportDialogOptions(const DateValue& today) {
  ExportOptions options;
  options.range = EventRange::All;
  options.from = options.to = today;
  return options;
}

ExportOptions ReportDialogOptions(const DateValue& selected) {
  ExportOptions options;
  options.range = EventRange::DateRange;
  options.from = options.to = selected;
  return options;
}

bool DateRangeAcceptable(const DateValue& from, const DateValue& to) { return CompareDates(from, to) <= 0; }

Result SelectEvents(RecordStore& store, const ExportOptions& options, std::vector<SelectedEvent>& out) {
  out.clear();
  EventFilter filter;
  filter.subjectFilter = options.subjectFilter;
  filter.subject = options.subject.substr(0, Utf8CutLength(options.subject, kMaxSubjectFilterLength));
  RecordQuery conditions;
  if (!AddEventFilterConditions(conditions, filter)) {
    return Result::Fail("Cannot build the filter for", 0, store.path());
  }

  Result scanned = ScanEvents(store, ScanVisibility::AsQuery, [&](const uint8_t* record, RecordPosition at) {
    switch (options.range) {
      case EventRange::All: break;
      case EventRange::DateRange:
        if (!OccursWithin(record, options.from, options.to)) return;
        break;
      case EventRange::CurrentRecord:
        if (!options.hasCurrent || rec::Id(record) != options.currentId) return;
        break;
    }
    if (!conditions.Matches(record, store.recordSize())) return;
    out.push_back({at, EventRecord(record, event::kRecordSize)});
  });
  if (!scanned) {
    out.clear();
    return scanned;
  }
  if (options.range == EventRange::CurrentRecord && out.size() > 1) {
    // Ids are random, so two records rarely share one; the selected slot
    // wins, else the first in the file.
    auto at = std::find_if(out.begin(), out.end(),
                           [&](const SelectedEvent& e) { return e.position == options.currentPosition; });
    SelectedEvent keep = at != out.end() ? std::move(*at) : std::move(out.front());
    out.clear();
    out.push_back(std::move(keep));
  }
  std::stable_sort(out.begin(), out.end(), [](const SelectedEvent& a, const SelectedEvent& b) {
    return CompareEventOrder(a.record.data(), b.record.data()) < 0;
  });
  return Result::Ok();
}

}  // namespace velmora
