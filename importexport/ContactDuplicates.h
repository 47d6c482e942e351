// Whether an imported contact duplicates one the file already holds.
#pragma once

#include "store/RecordStore.h"  // Bytes

namespace velmora {

// The duplicate test of the import. Compares exactly what an import can
// fill: the category name and the body fields of the import catalogue
// (every text field including the picture, gender, birthday, anniversary and
// the five other-phone types). Texts are compared byte for byte up to their
// terminator (case matters, bytes after the terminator do not), numbers by
// value, dates by day number (so every invalid date equals every other).
// The record header apart from the category, the attachment, the mail-merge
// flag and the reserved bytes are not compared: an import never sets them,
// so comparing them would let a re-imported export duplicate every contact
// that has them.
bool ContactRecordsEqual(const Bytes& a, const Bytes& b);

}  // namespace velmora
