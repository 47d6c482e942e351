// What the calendar hands to the import wizard: the catalogue of the seven
// importable event fields, the table of accepted column headings, and the
// step that cleans up each imported event and decides whether it is stored.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>

#include "calendar/model/EventRecord.h"
#include "importexport/ImportCatalogue.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// The seven fields: "Date", "Start Time", "End Time", "Category",
// "All day event", "Subject", "Notes".
std::span<const ImportField> CalendarImportCatalogue();
// The 23 headings in table order. "Calendar Time" stands for both times;
// the wizard lets the last matching entry win, which is "End Time".
std::span<const FieldAlias> CalendarImportAliases();

// The clock the clean-up uses: today and the time with its minute lowered to
// a multiple of 5.
struct ImportClock {
  DateValue today;
  TimeValue now;
};

// Clean-up of an imported event: alarm time = now, alarm reference = today;
// an event date that is not a valid date becomes today; a start or end time
// without a five-minute slot becomes now; an all-day value other than 0 and
// 1 becomes 0.
void CleanUpImportedEvent(EventRecord& record, const ImportClock& clock);

// The duplicate test: same all-day flag, event date, subject, notes and
// category (texts byte for byte), and for timed events the same start and
// end slots.
bool SameImportedEvent(const uint8_t* a, const uint8_t* b);

// The wizard's acceptance step for one calendar file. The file is read once,
// on the first record; each accepted record is remembered, so a line that
// repeats an earlier line of the same import is a duplicate too.
class CalendarImportAcceptor {
 public:
  explicit CalendarImportAcceptor(RecordStore& store, ImportClock clock);
  // Cleans the record up; true when it is to be stored (not a duplicate).
  // A failure to read the file accepts nothing.
  bool Accept(EventRecord& record);
  // The same for the wizard's record buffer, cleaned up in place.
  bool Accept(Bytes& record);
  const Result& status() const { return status_; }

 private:
  RecordStore& store_;
  ImportClock clock_;
  bool loaded_ = false;
  Result status_ = Result::Ok();
  // The compared fields of every record of the file and of this import,
  // packed into one string each.
  std::unordered_set<std::string> known_;
};

}  // namespace velmora
