#include "store/SlotReader.h"

#include <cerrno>

namespace velmora {

SlotReader::SlotReader(File& file, uint64_t firstSlot, uint32_t recordSize, std::string path, size_t slotsPerRead)
    : file_(file),
      recordSize_(recordSize == 0 ? 1 : recordSize),
      path_(std::move(path)),
      chunk_(size_t(recordSize_) * (slotsPerRead == 0 ? 1 : slotsPerRead)),
      next_(firstSlot) {}

bool SlotReader::Next() {
  count_ = 0;
  if (done_) return false;
  int64_t got = file_.ReadSome(next_, chunk_.data(), chunk_.size());
  if (got < 0) {
    result_ = Result::Fail("Cannot read", errno, path_);
    done_ = true;
    return false;
  }
  position_ = next_;
  count_ = size_t(got) / recordSize_;
  next_ += uint64_t(count_) * recordSize_;
  if (size_t(got) < chunk_.size()) {
    // The end of the file: what is left over is a slot cut short.
    done_ = true;
    trailing_ = uint64_t(got) % recordSize_;
  }
  return count_ > 0;
}

}  // namespace velmora
