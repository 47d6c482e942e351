// Reads the slots of a record file front to back, many whole slots per read
// call: the one scan loop of the queries, the free-slot search, compaction,
// the damage test and the tool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "store/FileSystem.h"
#include "store/Result.h"

namespace velmora {

// Slots read per read call by scans.
inline constexpr size_t kSlotsPerRead = 100;

class SlotReader {
 public:
  // path only names the file in a failure.
  SlotReader(File& file, uint64_t firstSlot, uint32_t recordSize, std::string path,
             size_t slotsPerRead = kSlotsPerRead);

  // Reads the next chunk of whole slots. false at the end of the file or on
  // a failed read; result() tells which.
  bool Next();
  size_t count() const { return count_; }
  uint8_t* slot(size_t i) { return chunk_.data() + i * recordSize_; }
  uint64_t positionOf(size_t i) const { return position_ + i * recordSize_; }
  // Once Next() returned false: the bytes after the last whole slot (an
  // append cut short), and where they start.
  uint64_t trailingBytes() const { return trailing_; }
  uint64_t endOfWholeSlots() const { return next_; }
  const Result& result() const { return result_; }

 private:
  File& file_;
  uint32_t recordSize_;
  std::string path_;
  std::vector<uint8_t> chunk_;
  uint64_t next_;
  uint64_t position_ = 0;
  size_t count_ = 0;
  uint64_t trailing_ = 0;
  bool done_ = false;
  Result result_ = Result::Ok();
};

}  // namespace velmora
