// The one-line text of a contact ("First Last") and the text a row shows
// when its record was deleted by another user.
#pragma once

#include <QString>

#include "store/RecordStore.h"

namespace velmora {

// "First Last" of a contact record; empty when the record is too short.
QString ContactRowText(const Bytes& record);
inline const char* const kDeletedRowText = "Record is deleted by another user.";

}  // namespace velmora
