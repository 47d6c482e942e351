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

constexpr uint32_t kMaxAlarmLead = 99;

// A repeating event's end of 31 December 2020 is the file format's "no end
// date"; `list` shows it as null, which `add` takes back as no end.
nlohmann::ordered_json RepeatEndToJson(const uint8_t* record) {
  const DateValue end = GetDate(record + e::kRepeatEnd);
  if (end.IsEmpty() || (record[e::kRepeatKind] != e::kRepeatNone && end == kNoEndDate)) return nullptr;
  return IsoDate(end);
}

// In the order a reader thinks of an event: when, what, how it repeats,
// its alarm, its attachment.
const std::array<JsonField, 19> kEventFields{{
    {"Date", e::kEventDate, format::kDateValueSize, FieldType::Date},
    {"Start_Time", e::kStartTime, format::kTimeValueSize, FieldType::Time},
    {"End_Time", e::kEndTime, format::kTimeValueSize, FieldType::Time},
    {"All_Day", e::kAllDay, 4, FieldType::U32, 0, 1, "0 or 1"},
    {"Subject", e::kSubject, e::kSubjectWidth, FieldType::Text},
    {"Notes", e::kNotes, e::kNotesWidth, FieldType::Text},
    {"Repeat_Kind", e::kRepeatKind, 1, FieldType::U8},
    {"Repeat_End", e::kRepeatEnd, format::kDateValueSize, FieldType::Date, 0, -1, {}, RepeatEndToJson},
    {"Repeat_Interval", e::kRepeatInterval, 4, FieldType::U32, 0, kMaxRepeatInterval, {}},
    {"Repeat_Pattern", e::kRepeatPattern, 4, FieldType::U32},
    {"Alarm_Set", e::kAlarmSet, 1, FieldType::U8, 0, 1, "0 or 1"},
    {"Alarm_Time", e::kAlarmTime, format::kTimeValueSize, FieldType::Time},
    {"Alarm_Date", e::kAlarmReference, format::kDateValueSize, FieldType::Date},
    {"Alarm_Lead", e::kAlarmLead, 4, FieldType::U32, 0, kMaxAlarmLead, "0 to 99 days"},
    {"Tone_File", e::kToneFile, e::kPathWidth, FieldType::Text},
    {"Start_Kind", e::kStartAction, 1, FieldType::U8, 1, 3, "1 (e-mail), 2 (URL) or 3 (document or program)"},
    {"Start_Target", e::kStartTarget, e::kPathWidth, FieldType::Text},
    {"Attachment_Kind", e::kAttachmentKind, 1, FieldType::U8, 0, 2, "0 (none), 1 (document) or 2 (URL)"},
    {"Attachment", e::kAttachment, e::kPathWidth, FieldType::Text},
}};



std::string Key(std::string_view name) { return "key \"" + std::string(name) + "\": "; }

// Minutes since midnight on the 24-hour clock.
int MinuteOfDay(const TimeValue& time) {
  return int(time.hour % 12 + (time.half == kHalfPm ? 12 : 0)) * 60 + int(time.minute);
}

// A pattern that can occur at all: at least one weekday, a day of the month,
// a month and day of the year.
Result PatternFits(const RepeatBlock& repeat) {
  const uint32_t p = repeat.pattern;
  const char* expected = nullptr;
  if (repeat.kind == e::kRepeatWeekly && (p < 1 || p > 127)) {
    expected = "a weekday mask from 1 to 127 (bit 0 Sunday .. bit 6 Saturday)";
  } else if (repeat.kind == e::kRepeatMonthly && (p < 1 || p > 31)) {
    expected = "the day of the month, 1 to 31";
  } else if (repeat.kind == e::kRepeatYearly && ((p >> 16) < 1 || (p >> 16) > 12 || (p & 0xFFFF) < 1 || (p & 0xFFFF) > 31)) {
    expected = "month * 65536 + day";
  }
  if (!expected) return Result::Ok();
  return Result::Fail(Key("Repeat_Pattern") + "expected " + expected);
}

}  // namespace

FieldTable EventFields() { return kEventFields; }

void InitEventForAdd(RecordStore& store, Bytes& record) {
  EventRecord event = NewEventRecord(store);
  ApplyNewEventDefaults(event, Today(), Now(5));
  record = std::move(event.bytes());
}

Result FinishEventFromJson(const nlohmann::ordered_json& object, Bytes& record, EventBase base) {
  EventRecord event(record);
  if (base == EventBase::New) {
    if (!object.contains("Date")) {
      return Result::Fail(Key("Date") + "every event needs a date");
    }
    if (!object.contains("End_Time")) event.setEndTime(event.startTime());
    if (!object.contains("Alarm_Time")) event.setAlarmTime(event.startTime());
    if (!object.contains("Alarm_Date")) event.setAlarmReferenceDate(event.eventDate());
  }

  if (DayNumber(event.eventDate()) == kInvalidDayNumber) {
    return Result::Fail(Key("Date") + "expected a valid date");
  }
  if (event.allDayFlag() > 1) {
    return Result::Fail(Key("All_Day") + "expected 0 or 1");
  }
  if (!event.allDay() && (TimeSlot(event.startTime()) < 0 || TimeSlot(event.endTime()) < 0)) {
    return Result::Fail("a timed event needs valid \"Start_Time\" and \"End_Time\"");
  }
  if (!event.allDay() && MinuteOfDay(event.endTime()) < MinuteOfDay(event.startTime())) {
    return Result::Fail(Key("End_Time") + "expected a time not before \"Start_Time\" (" + IsoTime(event.startTime()) +
                        "), not " + IsoTime(event.endTime()));
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
        return Result::Fail(Key("Repeat_Interval") + "expected 1 to 99 for a repeating event");
      }
      if (Result fits = PatternFits(repeat); !fits.ok()) return fits;
      // No end date, given as null or left out, is stored as the file
      // format's value for it, whatever the event's date.
      if (repeat.end.IsEmpty()) repeat.end = kNoEndDate;
      if (repeat.end != kNoEndDate &&
          (DayNumber(repeat.end) == kInvalidDayNumber || CompareDates(repeat.end, event.eventDate()) < 0)) {
        return Result::Fail(Key("Repeat_End") + "expected null (no end) or a valid date not before \"Date\" (" +
                            IsoDate(event.eventDate()) + "), not " + IsoDate(repeat.end));
      }
      event.setRepeat(repeat);
      break;
    default:
      return Result::Fail(Key("Repeat_Kind") + "expected 0 (none), 1 (daily), 2 (weekly), 4 (monthly) or 5 (yearly)");
  }
  if (event.alarmLead() > kMaxAlarmLead) {
    return Result::Fail(Key("Alarm_Lead") + "expected 0 to 99 days");
  }
  record = std::move(event.bytes());
  return Result::Ok();
}

}  // namespace velmora::tool
