// The options shared by the Export and Print Report dialogs, and the
// selection of the events they write.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

enum class EventRange { All = 1, DateRange = 2, CurrentRecord = 3 };

struct ExportOptions {
  EventRange range = EventRange::All;
  DateValue from;
  DateValue to;
  bool subjectFilter = false;
  std::string subject;  // at most 1,023 bytes
  // The event selected in the day list, for EventRange::CurrentRecord.
  bool hasCurrent = false;
  uint64_t currentId = 0;
  RecordPosition currentPosition = 0;
};

inline constexpr size_t kMaxSubjectFilterLength = 1023;

// The Export dialog opens with "All" and both dates on today; the Print
// Report dialog with "Date range" and both dates on the selected date. The
// subject filter starts off and empty each time.
ExportOptions ExportDialogOptions(const DateValue& today);
ExportOptions ReportDialogOptions(const DateValue& selected);

// A from date after the to date is refused (message 107).
bool DateRangeAcceptable(const DateValue& from, const DateValue& to);

struct SelectedEvent {
  RecordPosition position = 0;
  EventRecord record;
};

// The records the options select, among those this connection may see, in
// the event order (equal ones in file order): "All" every record; "Date
// range" the records that occur within from..to (a repeating event once);
// "Current record" the record with the selected identity. With the subject
// filter only records whose subject contains the text, ignoring case.
Result SelectEvents(RecordStore& store, const ExportOptions& options, std::vector<SelectedEvent>& out);

}  // namespace velmora
