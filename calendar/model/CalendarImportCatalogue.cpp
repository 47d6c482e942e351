#include "calendar/model/CalendarImportCatalogue.h"

#include <algorithm>

#include "calendar/model/EventScan.h"

namespace velmora {

namespace {

constexpr ImportField kCatalogue[] = {
    {0, 0, event::kEventDate, kImportDate, format::kDateValueSize, "Date"},
    {0, 1, event::kStartTime, kImportTime, format::kTimeValueSize, "Start Time"},
    {0, 2, event::kEndTime, kImportTime, format::kTimeValueSize, "End Time"},
    {0, 3, format::record::kCategory, kImportText, format::record::kCategoryWidth, "Category"},
    {0, 4, event::kAllDay, kImportInteger, 4, "All day event"},
    {0, 5, event::kSubject, kImportText, event::kSubjectWidth, "Subject"},
    {0, 6, event::kNotes, kImportText, event::kNotesWidth, "Notes"},
};

constexpr FieldAlias kAliases[] = {
    {"Date", "Date1"},
    {"Date", "Date"},
    {"Date", "Start Date"},
    {"Start Time", "Calendar Time"},
    {"Start Time", "Calendar Time1"},
    {"Start Time", "Time1"},
    {"Start Time", "Start Time"},
    {"End Time", "Calendar Time"},
    {"End Time", "Calendar Time2"},
    {"End Time", "Time2"},
    {"End Time", "End Time"},
    {"Category", "Calendar Categories"},
    {"Category", "Calendar Category"},
    {"Category", "Category"},
    {"Category", "Categories"},
    {"All day event", "No Time"},
    {"All day event", "All Day Event"},
    {"All day event", "All Day"},
    {"Subject", "Title"},
    {"Subject", "Subject"},
    {"Notes", "Notes Text"},
    {"Notes", "Description"},
    {"Notes", "Notes"},
};

void AppendU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += char(uint8_t(v >> (8 * i)));
}

void AppendText(std::string& out, std::string_view text) {
  AppendU32(out, uint32_t(text.size()));
  out += text;
}

// The fields the duplicate test compares, packed: all-day flag, day number,
// the two slots for a timed event, then subject, notes and category with
// their lengths.
std::string DuplicateKey(const uint8_t* record) {
  std::string key;
  const uint32_t allDay = event::AllDayFlag(record);
  AppendU32(key, allDay);
  AppendU32(key, uint32_t(DayNumber(event::EventDate(record))));
  if (allDay != 1) {
    AppendU32(key, uint32_t(TimeSlot(event::StartTime(record))));
    AppendU32(key, uint32_t(TimeSlot(event::EndTime(record))));
  }
  AppendText(key, RawText(record + event::kSubject, event::kSubjectWidth));
  AppendText(key, RawText(record + event::kNotes, event::kNotesWidth));
  AppendText(key, RawText(record + format::record::kCategory, format::record::kCategoryWidth));
  return key;
}

}  // namespace

std::span<const ImportField> CalendarImportCatalogue() { return kCatalogue; }

std::span<const FieldAlias> CalendarImportAliases() { return kAliases; }

void CleanUpImportedEvent(EventRecord& record, const ImportClock& clock) {
  record.setAlarmTime(clock.now);
  record.setAlarmReferenceDate(clock.today);
  if (DayNumber(record.eventDate()) == kInvalidDayNumber) record.setEventDate(clock.today);
  if (TimeSlot(record.startTime()) < 0) record.setStartTime(clock.now);
  if (TimeSlot(record.endTime()) < 0) record.setEndTime(clock.now);
  if (record.allDayFlag() > 1) record.setAllDayFlag(0);
}

bool SameImportedEvent(const uint8_t* a, const uint8_t* b) {
  return DuplicateKey(a) == DuplicateKey(b);
}

CalendarImportAcceptor::CalendarImportAcceptor(RecordStore& store, ImportClock clock)
    : store_(store), clock_(clock) {}

bool CalendarImportAcceptor::Accept(EventRecord& record) {
  CleanUpImportedEvent(record, clock_);
  if (!loaded_) {
    loaded_ = true;
    // Every live record counts, also confidential ones the user cannot see:
    // a duplicate of a hidden record is still a duplicate.
    status_ = ScanEvents(store_, ScanVisibility::AllLive,
                         [&](const uint8_t* slot, RecordPosition) { known_.insert(DuplicateKey(slot)); });
  }
  if (!status_) return false;
  return known_.insert(DuplicateKey(record.data())).second;
}

bool CalendarImportAcceptor::Accept(Bytes& record) {
  EventRecord event(record);
  const bool accepted = Accept(event);
  std::copy_n(event.bytes().begin(), record.size(), record.begin());
  return accepted;
}

}  // namespace velmora
