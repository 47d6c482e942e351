#include "calendar/model/EventScan.h"

#include <algorithm>

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
  return store.ScanSlots(
      [&](RecordPosition first, const uint8_t* slots, size_t count) {
        for (size_t i = 0; i < count; ++i) {
          const uint8_t* record = slots + i * size;
          if (record[format::record::kInUse] != 1) continue;
          if (record[format::record::kConfidential] != 0 && !showConfidential) continue;
          visit(record, first + i * size);
        }
      },
      slotsPerRead);
}

}  // namespace velmora
