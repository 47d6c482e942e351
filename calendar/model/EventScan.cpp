#include "calendar/model/EventScan.h"

#include <algorithm>
#include <cerrno>

#include "store/RecordQuery.h"

namespace velmora {

namespace {
// Slots per read: large reads keep the scan close to the speed of a plain
// read of the file.
constexpr size_t kScanChunkBytes = size_t(1) << 20;
}  // namespace

Result ScanEvents(RecordStore& store, ScanVisibility visibility,
                  const std::function<void(const uint8_t* record, RecordPosition position)>& visit) {
  if (!store.IsOpen()) return Result::Fail("The calendar file is not open:", 0, store.path());
  const size_t size = store.recordSize();
  if (size < event::kRecordSize || size == kUnsetSize) {
    return Result::Fail("Not a calendar file (its records are too small):", 0, store.path());
  }
  const bool showConfidential = visibility == ScanVisibility::AllLive || store.GetAccessLevel() == kAccessOwner;
  const size_t slotsPerRead = std::max<size_t>(kSlotsPerRead, kScanChunkBytes / size);
  Bytes chunk(size * slotsPerRead);
  for (RecordPosition at = store.firstSlot();;) {
    int64_t got = store.ReadSlots(at, chunk.data(), chunk.size());
    if (got < 0) return Result::Fail("Cannot read", errno, store.path());
    const size_t whole = size_t(got) / size;
    for (size_t i = 0; i < whole; ++i) {
      const uint8_t* record = chunk.data() + i * size;
      if (record[format::record::kInUse] != 1) continue;
      if (record[format::record::kConfidential] != 0 && !showConfidential) continue;
      visit(record, at + i * size);
    }
    if (whole < slotsPerRead) break;
    at += whole * size;
  }
  return Result::Ok();
}

}  // namespace velmora
