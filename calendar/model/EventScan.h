// One pass over the event slots of a calendar file, front to back, reading
// many slots per call. The lists, the alarm check, export and import read
// the file through it once instead of once per day or per record.
#pragma once

#include <functional>

#include "calendar/model/EventRecord.h"
#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

enum class ScanVisibility {
  // The records a query of this connection sees: live, and confidential
  // ones only for the Owner.
  AsQuery,
  // Every live record (the import's duplicate test).
  AllLive,
};

// Calls visit(slot bytes, position) for each visible record in file order.
// The bytes are only valid during the call. Fails when the connection is
// closed, when the file's slots are smaller than an event record, or when a
// read fails.
Result ScanEvents(RecordStore& store, ScanVisibility visibility,
                  const std::function<void(const uint8_t* record, RecordPosition position)>& visit);

}  // namespace velmora
