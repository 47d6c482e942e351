// The calendar's event body in JSON, and how `add` builds a new event.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "importexport/RecordJson.h"
#include "store/RecordStore.h"

namespace velmora::tool {

// "Date", "Start_Time", "End_Time", "All_Day", "Subject", "Notes", the repeat
// block, the alarm settings and the attachment.
FieldTable EventFields();

// A new event with the editor's defaults for today and now, ready to be
// filled from JSON.
void InitEventForAdd(RecordStore& store, Bytes& record);

// After filling: "Date" must have been given; what else the input left out
// follows from what it gave, as in
// the editor (end time = start time, alarm time = start time, alarm date =
// event date, no end date for a repeating event without one or with null);
// then the event must be one the calendar can show and repeat, its end not
// before its start. A failure (naming the key) otherwise.
// Over a stored event (EventBase::Stored, an update) "Date" may be left out
// and every value the input leaves out keeps its stored value; the same
// checks follow.
enum class EventBase { New, Stored };
Result FinishEventFromJson(const nlohmann::ordered_json& object, Bytes& record, EventBase base = EventBase::New);

}  // namespace velmora::tool
