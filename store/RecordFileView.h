// A read-only view of a record file's bytes as they lie on disk, without a
// connection (which would raise the open count) and without a password; and
// the damage test that compaction, the writers and `velmora check` share.
//
// A record file is sound when its prologue holds the sizes of the kind its
// header names (header 1,581, category block 1,032, that kind's record
// size), the file is at least as long as that prefix, every whole slot's
// in-use byte is 0 or 1, and every live slot begins with the record size. One partial last slot (an append cut short) is not damage:
// the next add overwrites it and compaction drops it, saying so.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "store/FileSystem.h"
#include "store/Format.h"
#include "store/Result.h"

namespace velmora {

struct RecordFileShape {
  uint64_t fileSize = 0;
  uint32_t headerSize = 0;    // from the prologue
  uint32_t categorySize = 0;  // from the prologue
  uint32_t recordSize = 0;    // from the prologue
  std::string kindName;       // from the header; empty when the file is shorter

  uint64_t prefix() const { return uint64_t(format::kPrologueSize) + headerSize + categorySize; }
  // Whether the sizes are in range for slot arithmetic and the prefix is
  // all there; reading is possible, but writing needs Problems() empty.
  bool SlotsReadable() const;
  uint64_t WholeSlots() const;
  uint64_t TrailingBytes() const;
  // What is wrong with the prologue and length, one line each, in the
  // words `check` prints; empty when sound.
  std::vector<std::string> Problems() const;
};

// The kind whose records have that size, if any.
bool IsKindRecordSize(uint32_t recordSize);

// Reads the length, the prologue and the header's kind name of an open
// file. Fails on a read error or a file shorter than the prologue.
Result ReadRecordFileShape(File& file, const std::string& path, RecordFileShape& shape);

// What is wrong with one whole slot; empty when sound.
std::string SlotProblem(const uint8_t* slot, uint64_t position, uint32_t recordSize);
// The same for a slot's in-use byte alone.
std::string InUseProblem(uint8_t inUse, uint64_t position);

// The refusal of a writer or of compaction for one problem: says what is
// wrong and that nothing was changed.
Result DamageRefusal(const std::string& problem, const std::string& path);

class RecordFileView {
 public:
  // Opens the file read-only and reads the prologue, the header and (when
  // the sizes allow) the category block.
  Result Load(const std::string& path);
  const RecordFileShape& shape() const { return shape_; }
  const std::vector<uint8_t>& header() const { return header_; }
  const std::vector<uint8_t>& categories() const { return categories_; }  // empty when unreadable
  const std::string& path() const { return path_; }

  // Calls visit for every whole slot in file order with its position and
  // bytes.
  Result ForEachSlot(const std::function<void(uint64_t position, const uint8_t* slot)>& visit);
  // The first damage of the whole file (prologue, length or a slot) as a
  // refusal; ok when sound.
  Result FindDamage();

 private:
  std::string path_;
  std::unique_ptr<File> file_;
  RecordFileShape shape_;
  std::vector<uint8_t> header_;
  std::vector<uint8_t> categories_;
};

// The damage test over an open file whose prologue was read as shape. A
// failure that proves damage sets *damaged; a failed read leaves it false.
Result FindDamage(File& file, const RecordFileShape& shape, const std::string& path, bool* damaged = nullptr);

}  // namespace velmora
