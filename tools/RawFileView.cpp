#include "tools/RawFileView.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "store/Bytes.h"
#include "store/Format.h"
#include "store/RecordQuery.h"

namespace velmora::tool {

bool FileImage::SlotsReadable() const {
  return headerSize >= format::kHeaderSize && headerSize <= format::kMaxHeaderSize &&
         categorySize >= format::kCategoryBlockSize && categorySize <= format::kMaxCategoryBlockSize &&
         recordSize >= format::kMinRecordSize && recordSize <= format::kMaxRecordSize && fileSize >= prefix();
}

uint64_t FileImage::WholeSlots() const { return SlotsReadable() ? (fileSize - prefix()) / recordSize : 0; }

uint64_t FileImage::TrailingBytes() const { return SlotsReadable() ? (fileSize - prefix()) % recordSize : 0; }

namespace {

bool ReadExactly(std::ifstream& in, uint64_t offset, uint8_t* buffer, size_t length) {
  in.clear();
  in.seekg(static_cast<std::streamoff>(offset));
  in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(length));
  return in.gcount() == static_cast<std::streamsize>(length);
}

}  // namespace

bool RawFileView::Load(const std::string& path) {
  path_ = path;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    error_ = "Cannot open \"" + path + "\": " + std::strerror(ENOENT);
    return false;
  }
  if (!std::filesystem::is_regular_file(path, ec)) {
    error_ = "Not a record file (not a regular file): \"" + path + "\"";
    return false;
  }
  in_.open(path, std::ios::binary);
  if (!in_) {
    error_ = "Cannot open \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  image_.fileSize = std::filesystem::file_size(path, ec);
  if (ec || image_.fileSize < uint64_t(format::kPrologueSize) + format::kHeaderSize) {
    error_ = "Not a record file (shorter than its header): \"" + path + "\"";
    return false;
  }
  uint8_t prologue[format::kPrologueSize];
  image_.header.resize(format::kHeaderSize);
  if (!ReadExactly(in_, 0, prologue, sizeof prologue) ||
      !ReadExactly(in_, format::kHeaderOffset, image_.header.data(), image_.header.size())) {
    error_ = "Cannot read \"" + path + "\"";
    return false;
  }
  image_.headerSize = GetU32(prologue + format::kPrologueHeaderSize);
  image_.categorySize = GetU32(prologue + format::kPrologueCategorySize);
  image_.recordSize = GetU32(prologue + format::kPrologueRecordSize);
  if (image_.SlotsReadable()) {
    image_.categories.resize(format::kCategoryBlockSize);
    if (!ReadExactly(in_, format::kPrologueSize + uint64_t(image_.headerSize), image_.categories.data(),
                     image_.categories.size())) {
      error_ = "Cannot read \"" + path + "\"";
      return false;
    }
  }
  return true;
}

bool RawFileView::ForEachSlot(const std::function<void(uint64_t position, const uint8_t* slot)>& visit) {
  const uint64_t slots = image_.WholeSlots();
  const uint32_t size = image_.recordSize;
  Bytes chunk(size_t(size) * kSlotsPerRead);
  for (uint64_t first = 0; first < slots; first += kSlotsPerRead) {
    uint64_t count = std::min<uint64_t>(kSlotsPerRead, slots - first);
    uint64_t position = image_.prefix() + first * size;
    if (!ReadExactly(in_, position, chunk.data(), size_t(count * size))) {
      error_ = "Cannot read \"" + path_ + "\"";
      return false;
    }
    for (uint64_t i = 0; i < count; ++i) visit(position + i * size, chunk.data() + i * size);
  }
  return true;
}

}  // namespace velmora::tool
