#include "calendar/model/EventEditorRules.h"

#include <cstring>

#include "calendar/model/Recurrence.h"

namespace velmora {

void ApplyNewEventDefaults(EventRecord& record, const DateValue& picked, const TimeValue& now) {
  TimeValue start = now;
  start.minute -= start.minute % 5;
  start.second = 0;
  record.setEventDate(picked);
  record.setStartTime(start);
  record.setEndTime(start);
  record.setAllDay(false);
  record.setSubject("");
  record.setNotes("");
  record.setAlarmSet(false);
  ResetAlarmSettings(record);
  record.setRepeat(RepeatBlock{});
  record.setAttachmentKind(event::kAttachNone);
  record.setAttachment("");
}

bool EventDateAcceptable(const EventRecord& record, const DateValue& picked) {
  if (!record.repeats()) return true;
  int32_t last = RepeatEndDayNumber(record.repeat().end);
  int32_t day = DayNumber(picked);
  return !(day != kInvalidDayNumber && last != kInvalidDayNumber && day > last);
}

void ResetAlarmSettings(EventRecord& record) {
  record.setToneFile("");
  record.setStartTarget("");
  record.setStartAction(event::kStartDocument);
  record.setAlarmReferenceDate(record.eventDate());
  record.setAlarmTime(record.startTime());
  record.setAlarmLead(0);
  record.setReservedAlarmByte(0);
}

void ConfirmEventEditor(EventRecord& record, const EventRecord* opened) {
  if (!record.alarmSet()) {
    ResetAlarmSettings(record);
    return;
  }
  bool restart = opened == nullptr;
  if (!restart) {
    const uint8_t* now = record.data();
    const uint8_t* before = opened->data();
    restart = std::memcmp(now + event::kRepeatBlock, before + event::kRepeatBlock, event::kRepeatBlockSize) != 0 ||
              std::memcmp(now + event::kEventDate, before + event::kEventDate, format::kDateValueSize) != 0;
  }
  if (restart) record.setAlarmReferenceDate(record.eventDate());
}

uint8_t AttachmentKindFor(bool urlChosen, std::string_view target) {
  if (target.empty()) return event::kAttachNone;
  return urlChosen ? event::kAttachUrl : event::kAttachDocument;
}

}  // namespace velmora
