// The rules of the event editor that are not drawing: the defaults of a new
// event, the check of a picked event date, and what "OK" does to the alarm
// settings.
#pragma once

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"

namespace velmora {

// Limits of the editor's text fields, in bytes of the record.
inline constexpr size_t kMaxSubjectLength = event::kSubjectWidth - 1;  // 149
inline constexpr size_t kMaxNotesLength = event::kNotesWidth - 1;      // 1023

// The defaults of a new event: the picked date, start and end time = now with
// the minute lowered to a multiple of 5 (seconds 0), not all-day, empty
// subject, alarm off with empty tone file and start target, start action 3,
// alarm reference date = event date, alarm time = start time, no repeat, no
// attachment. The common header is left as it is.
void ApplyNewEventDefaults(EventRecord& record, const DateValue& picked, const TimeValue& now);

// Whether the date picked on the Date button may become the event date: not
// for a repeating event when it lies after the series' last day (message 500,
// then the Repeat dialog opens). A series without end date accepts any date.
bool EventDateAcceptable(const EventRecord& record, const DateValue& picked);

// The alarm settings of an event with the alarm off: tone file and start
// target empty, start action 3, reference date = event date, alarm time =
// start time, lead 0, reserved alarm byte 0.
void ResetAlarmSettings(EventRecord& record);

// "OK" of the editor. opened: the record as it stood when the editor opened
// it, nullptr for a new event. Alarm off: the alarm settings are reset. Alarm
// on: the reference date becomes the event date when the event is new, or
// when the repeat block or the event date differ from the opened copy, so the
// alarm sequence starts again at the first occurrence. (A new event's alarm
// settings may have been filled before its date was changed, so a new event
// always starts at its event date.)
void ConfirmEventEditor(EventRecord& record, const EventRecord* opened);

// Attachment kind on "OK" of the attachment dialog: 0 for an empty edit,
// else 1 for "Document" and 2 for "URL".
uint8_t AttachmentKindFor(bool urlChosen, std::string_view target);

}  // namespace velmora
