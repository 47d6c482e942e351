#include "importexport/ContactDuplicates.h"

#include <algorithm>

#include "importexport/ContactFields.h"
#include "store/Bytes.h"
#include "store/Dates.h"

namespace velmora {

namespace c = contact;

namespace {

// Pointer to a full record's bytes: the buffer itself, or a zero-padded copy
// in scratch when the buffer is shorter than a record.
const uint8_t* FullRecord(const Bytes& buffer, Bytes& scratch) {
  if (buffer.size() >= c::kRecordSize) return buffer.data();
  scratch.assign(c::kRecordSize, 0);
  std::copy(buffer.begin(), buffer.end(), scratch.begin());
  return scratch.data();
}

// The attachment and the mail-merge flag cannot come from an import, so the
// duplicate test leaves them out.
bool ComparedByDuplicateTest(const BodyKey& key) {
  return key.offset != c::kAttachmentKind && key.offset != c::kAttachment.offset && key.offset != c::kNoMailMerge;
}

}  // namespace

bool ContactRecordsEqual(const Bytes& a, const Bytes& b) {
  Bytes scratchA, scratchB;
  const uint8_t* ra = FullRecord(a, scratchA);
  const uint8_t* rb = FullRecord(b, scratchB);
  auto sameText = [&](uint32_t offset, uint32_t width) {
    return RawText(ra + offset, width) == RawText(rb + offset, width);
  };
  if (!sameText(c::kCategory.offset, c::kCategory.width)) return false;
  for (const BodyKey& key : ContactBodyKeys()) {
    if (!ComparedByDuplicateTest(key)) continue;
    const uint8_t* fa = ra + key.offset;
    const uint8_t* fb = rb + key.offset;
    switch (key.type) {
      case BodyKeyType::Text:
        if (!sameText(key.offset, key.width)) return false;
        break;
      case BodyKeyType::I32:
        if (GetI32(fa) != GetI32(fb)) return false;
        break;
      case BodyKeyType::Date:
        if (DayNumber(GetDate(fa)) != DayNumber(GetDate(fb))) return false;
        break;
      case BodyKeyType::U8:
        if (*fa != *fb) return false;
        break;
    }
  }
  return true;
}

}  // namespace velmora
