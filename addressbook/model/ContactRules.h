// The validity rules of a stored contact.
#pragma once

#include "store/RecordStore.h"  // Bytes

namespace velmora {

// Applies the validity rules: gender clamped to 0..2, each other-phone type
// to 0..17, and a birthday or anniversary without a valid day number cleared
// to all zero. A buffer shorter than a record is first padded with zeros.
void NormaliseContactRecord(Bytes& buffer);

}  // namespace velmora
