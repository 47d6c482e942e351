// Reads a record file's bytes as they lie on disk, without opening a
// connection: `info` and `check` must show the open count and the edit
// locks as they are, and must work on files the store refuses to open.
#pragma once

#include <cstdint>
#include <functional>
#include <fstream>
#include <string>

#include "store/RecordStore.h"

namespace velmora::tool {

struct FileImage {
  uint64_t fileSize = 0;
  uint32_t headerSize = 0;    // from the prologue
  uint32_t categorySize = 0;  // from the prologue
  uint32_t recordSize = 0;    // from the prologue
  Bytes header;               // 1581 bytes at offset 12
  Bytes categories;           // the category block; empty when the prologue is unusable

  uint64_t prefix() const { return uint64_t(12) + headerSize + categorySize; }
  // Whether the prologue's sizes allow slot arithmetic.
  bool SlotsReadable() const;
  uint64_t WholeSlots() const;
  uint64_t TrailingBytes() const;
};

class RawFileView {
 public:
  // Reads the prologue, the header and (when the prologue allows) the
  // category block. false with error() set when the file cannot be read or
  // is shorter than prologue and header.
  bool Load(const std::string& path);
  const FileImage& image() const { return image_; }
  const std::string& error() const { return error_; }

  // Calls visit for every whole slot in file order with its position and
  // bytes. false with error() set on a read failure.
  bool ForEachSlot(const std::function<void(uint64_t position, const uint8_t* slot)>& visit);

 private:
  std::string path_;
  std::ifstream in_;
  FileImage image_;
  std::string error_;
};

}  // namespace velmora::tool
