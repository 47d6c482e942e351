#include "tools/RecordSpool.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "store/Bytes.h"

namespace velmora::tool {

namespace {

constexpr size_t kBlockSize = 256 * 1024;
constexpr const char* kWhat = "Cannot use the temporary file of the records";

// A record in the spool: the count of runs, then each run of bytes that
// differs from the base as offset, length and the bytes (u32 numbers).
void PutNumber(std::string& out, uint32_t value) {
  uint8_t bytes[4];
  PutU32(bytes, value);
  out.append(reinterpret_cast<const char*>(bytes), 4);
}

}  // namespace

RecordSpool::RecordSpool(Bytes base) : base_(std::move(base)) {}

RecordSpool::~RecordSpool() {
  if (fd_ >= 0) ::close(fd_);
}

Result RecordSpool::Open() {
  const char* folder = std::getenv("TMPDIR");
  std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/velmora-add-XXXXXX";
  // mkostemp creates the file with O_EXCL under a random name, so nothing
  // planted in the folder can be written through.
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return Result::Fail(kWhat, errno, pattern);
  if (::unlink(pattern.c_str()) != 0) {
    const int error = errno;
    ::close(fd);
    return Result::Fail(kWhat, error, pattern);
  }
  fd_ = fd;
  buffer_.reserve(kBlockSize + base_.size() * 2);
  return Result::Ok();
}

Result RecordSpool::WriteOut() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t written = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return Result::Fail(kWhat, errno);
    done += size_t(written);
  }
  buffer_.clear();
  return Result::Ok();
}

Result RecordSpool::Append(const Bytes& record) {
  std::string runs;
  uint32_t runCount = 0;
  const size_t size = base_.size();
  for (size_t i = 0; i < size;) {
    if (record[i] == base_[i]) {
      ++i;
      continue;
    }
    size_t end = i + 1;
    // Runs closer than the 8 bytes of a run's own numbers are joined.
    while (end < size && (record[end] != base_[end] || (end + 8 < size && std::memcmp(&record[end], &base_[end], 8) != 0))) {
      ++end;
    }
    PutNumber(runs, uint32_t(i));
    PutNumber(runs, uint32_t(end - i));
    runs.append(reinterpret_cast<const char*>(&record[i]), end - i);
    ++runCount;
    i = end;
  }
  PutNumber(buffer_, runCount);
  buffer_ += runs;
  ++count_;
  if (buffer_.size() >= kBlockSize) return WriteOut();
  return Result::Ok();
}

Result RecordSpool::Rewind() {
  if (Result written = WriteOut(); !written.ok()) return written;
  if (::lseek(fd_, 0, SEEK_SET) != 0) return Result::Fail(kWhat, errno);
  readPos_ = 0;
  read_ = 0;
  return Result::Ok();
}

Result RecordSpool::ReadExactly(void* out, size_t length) {
  auto* target = static_cast<char*>(out);
  while (length > 0) {
    if (readPos_ == buffer_.size()) {
      buffer_.resize(kBlockSize);
      ssize_t got = 0;
      do {
        got = ::read(fd_, buffer_.data(), kBlockSize);
      } while (got < 0 && errno == EINTR);
      if (got < 0) return Result::Fail(kWhat, errno);
      if (got == 0) return Result::Fail("The temporary file of the records ended early");
      buffer_.resize(size_t(got));
      readPos_ = 0;
    }
    const size_t take = std::min(length, buffer_.size() - readPos_);
    std::memcpy(target, buffer_.data() + readPos_, take);
    readPos_ += take;
    target += take;
    length -= take;
  }
  return Result::Ok();
}

Result RecordSpool::ReadBatch(size_t max, Bytes& batch) {
  const size_t records = std::min(max, count_ - read_);
  const size_t size = base_.size();
  batch.resize(records * size);
  for (size_t i = 0; i < records; ++i) {
    uint8_t* record = batch.data() + i * size;
    std::memcpy(record, base_.data(), size);
    uint8_t number[4];
    if (Result got = ReadExactly(number, 4); !got.ok()) return got;
    const uint32_t runs = GetU32(number);
    for (uint32_t r = 0; r < runs; ++r) {
      uint8_t header[8];
      if (Result got = ReadExactly(header, 8); !got.ok()) return got;
      const uint32_t offset = GetU32(header), length = GetU32(header + 4);
      if (offset > size || length > size - offset) {
        return Result::Fail("The temporary file of the records is damaged");
      }
      if (Result got = ReadExactly(record + offset, length); !got.ok()) return got;
    }
    ++read_;
  }
  return Result::Ok();
}

}  // namespace velmora::tool
