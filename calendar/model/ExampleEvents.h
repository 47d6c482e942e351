// The three example events a new calendar file gets when its examples flag
// is set (the programs' "Create New File" and `velmora create --examples`).
#pragma once

#include <vector>

#include "calendar/model/EventRecord.h"
#include "store/Dates.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// The example events dated on day, with the common header of a new record
// of store: an all-day business meeting (its stored times, 10:00 to 10:20
// am, are not shown), a lunch from 2:10 to 3:00 pm and a call from 4:20 to
// 4:20 pm in "Calls". None has an alarm or a repeat.
std::vector<EventRecord> ExampleEvents(RecordStore& store, const DateValue& day);

// Adds ExampleEvents(store, Today()) to store and flushes it.
Result AddExampleEvents(RecordStore& store);

}  // namespace velmora
