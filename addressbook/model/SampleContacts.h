// The sample contacts a new address-book file may start with.
#pragma once

#include "store/RecordStore.h"
#include "store/Result.h"

namespace velmora {

// Adds the three sample contacts of a new file, in a fixed order. Stops at
// the first add that does not succeed and returns its result.
Result AddSampleContacts(RecordStore& store);

}  // namespace velmora
