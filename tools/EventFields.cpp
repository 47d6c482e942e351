#include "tools/EventFields.h"

#include <array>

#include "calendar/model/EventEditorRules.h"
#include "calendar/model/EventRecord.h"
#include "calendar/model/Recurrence.h"
#include "calendar/model/RepeatChoices.h"
#include "store/Dates.h"

namespace velmora::tool {

namespace {

namespace e = event;

// In the order a reader thinks of an event: when, what, how it repeats,
// its alarm, its attachment.
constexpr std::array<JsonField, 19> kEventFields{{
    {"Date", e::kEventDate, format::kDateValueSize, FieldType::Date},
    {"Start_Time", e::kStartTime, format::kTimeValueSize, FieldType::Time},
    {"End_Time", e::kEndTime, format::kTimeValueSize, FieldType::Time},
    {"All_Day", e::kAllDay, 4, FieldType::U32},
    {"Subject", e::kSubject, e::kSubjectWidth, FieldType::Text},
    {"Notes", e::kNotes, e::kNotesWidth, FieldType::Text},
    {"Repeat_Kind", e::kRepeatKind, 1, FieldType::U8},
    {"Repeat_End", e::kRepeatEnd, format::kDateValueSize, FieldType::Date},
    {"Repeat_Interval", e::kRepeatInterval, 4, FieldType::U32},
    {"Repeat_Pattern", e::kRepeatPattern, 4, FieldType::U32},
    {"Alarm_Set", e::kAlarmSet, 1, FieldType::U8},
    {"Alarm_Time", e::kAlarmTime, format::kTimeValueSize, FieldType::Time},
    {"Alarm_Date", e::kAlarmReference, format::kDateValueSize, FieldType::Date},
    {"Alarm_Lead", e::kAlarmLead, 4, FieldType::U32},
    {"Tone_File", e::kToneFile, e::kPathWidth, FieldType::Text},
    {"Start_Kind", e::kStartAction, 1, FieldType::U8},
    {"Start_Target", e::kStartTarget, e::kPathWidth, FieldType::Text},
    {"Attachment_Kind", e::kAttachmentKind, 1, FieldType::U8},
    {"Attachment", e::kAttachment, e::kPathWidth, FieldType::Text},
}};

constexpr uint32_t kMaxAlarmLead = 99;

std::string Key(std::string_view name) { return "key \"" + std::string(name) + "\": "; }

// A pattern that can occur at all: at least one weekday, a day of the month,
// a month and day of the year.
bool PatternFits(const RepeatBlock& repeat, std::string& error) {
  const uint32_t p = repeat.pattern;
  const char* expected = nullptr;
  if (repeat.kind == e::kRepeatWeekly && (p < 1 || p > 127)) {
    expected = "a weekday mask from 1 to 127 (bit 0 Sunday .. bit 6 Saturday)";
  } else if (repeat.kind == e::kRepeatMonthly && (p < 1 || p > 31)) {
    expected = "the day of the month, 1 to 31";
  } else if (repeat.kind == e::kRepeatYearly && ((p >> 16) < 1 || (p >> 16) > 12 || (p & 0xFFFF) < 1 || (p & 0xFFFF) > 31)) {
    expected = "month * 65536 + day";
  }
  if (!expected) return true;
  error = Key("Repeat_Pattern") + "expected " + expected;
  return false;
}

}  // namespace

FieldTable EventFields() { return kEventFields; }

void InitEventForAdd(RecordStore& store, Bytes& record) {
  EventRecord event = NewEventRecord(store);
  ApplyNewEventDefaults(event, Today(), Now(5));
  record = std::move(event.bytes());
}

bool FinishEventFromJson(const nlohmann::json& object, Bytes& record, std::string& error) {
  if (!object.contains("Date")) {
    error = Key("Date") + "every event needs a date";
    return false;
  }
  EventRecord event(record);
  if (!object.contains("End_Time")) event.setEndTime(event.startTime());
  if (!object.contains("Alarm_Time")) event.setAlarmTime(event.startTime());
  if (!object.contains("Alarm_Date")) event.setAlarmReferenceDate(event.eventDate());

  if (DayNumber(event.eventDate()) == kInvalidDayNumber) {
    error = Key("Date") + "expected a valid date";
    return false;
  }
  if (event.allDayFlag() > 1) {
    error = Key("All_Day") + "expected 0 or 1";
    return false;
  }
  if (!event.allDay() && (TimeSlot(event.startTime()) < 0 || TimeSlot(event.endTime()) < 0)) {
    error = "a timed event needs valid \"Start_Time\" and \"End_Time\"";
    return false;
  }
  RepeatBlock repeat = event.repeat();
  switch (repeat.kind) {
    case e::kRepeatNone:
      break;
    case e::kRepeatDaily:
    case e::kRepeatWeekly:
    case e::kRepeatMonthly:
    case e::kRepeatYearly:
      if (repeat.interval < 1 || repeat.interval > kMaxRepeatInterval) {
        error = Key("Repeat_Interval") + "expected 1 to 99 for a repeating event";
        return false;
      }
      if (!PatternFits(repeat, error)) return false;
      if (repeat.end.IsEmpty()) repeat.end = kNoEndDate;
      if (DayNumber(repeat.end) == kInvalidDayNumber || CompareDates(repeat.end, event.eventDate()) < 0) {
        error = Key("Repeat_End") + "expected a valid date not before \"Date\"";
        return false;
      }
      event.setRepeat(repeat);
      break;
    default:
      error = Key("Repeat_Kind") + "expected 0 (none), 1 (daily), 2 (weekly), 4 (monthly) or 5 (yearly)";
      return false;
  }
  if (event.alarmLead() > kMaxAlarmLead) {
    error = Key("Alarm_Lead") + "expected 0 to 99 days";
    return false;
  }
  record = std::move(event.bytes());
  return true;
}

}  // namespace velmora::tool
