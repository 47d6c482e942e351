#include "tools/InputLines.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/Interruption.h"

namespace velmora::tool {

namespace {

constexpr size_t kReadSize = 64 * 1024;

}  // namespace

InputLines::InputLines(int fd, size_t maxLineLength) : fd_(fd), maxLineLength_(maxLineLength) {
  buffer_.reserve(maxLineLength + 2 + kReadSize);
}

// Appends what the next read gives; false at the end of the input or on an
// error (error_ set) or interruption.
bool InputLines::Fill() {
  if (start_ > 0) {
    buffer_.erase(0, start_);
    start_ = 0;
  }
  const size_t old = buffer_.size();
  buffer_.resize(old + kReadSize);
  for (;;) {
    if (Interrupted()) {
      buffer_.resize(old);
      return false;
    }
    const ssize_t got = ::read(fd_, buffer_.data() + old, kReadSize);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) error_ = errno;
    buffer_.resize(old + (got > 0 ? size_t(got) : 0));
    if (got == 0) eof_ = true;
    return got > 0;
  }
}

InputLines::Status InputLines::Next() {
  size_t searched = start_;
  for (;;) {
    if (Interrupted()) return Status::Interrupted;
    const char* begin = buffer_.data() + start_;
    const void* found = std::memchr(buffer_.data() + searched, '\n', buffer_.size() - searched);
    if (found) {
      const size_t end = size_t(static_cast<const char*>(found) - buffer_.data());
      size_t length = end - start_;
      if (length > 0 && begin[length - 1] == '\r') --length;
      ++number_;
      if (length > maxLineLength_) return Status::TooLong;
      line_ = std::string_view(begin, length);
      start_ = end + 1;
      return Status::Line;
    }
    // A line end of CR LF may still follow the longest line allowed.
    if (buffer_.size() - start_ > maxLineLength_ + 1) {
      ++number_;
      return Status::TooLong;
    }
    if (eof_) {
      if (start_ == buffer_.size()) return Status::End;
      // The last line without a line end.
      ++number_;
      size_t length = buffer_.size() - start_;
      if (length > maxLineLength_) return Status::TooLong;
      line_ = std::string_view(begin, length);
      start_ = buffer_.size();
      return Status::Line;
    }
    // Fill may move the unread bytes to the front.
    searched = buffer_.size() - start_;
    if (!Fill()) {
      if (Interrupted()) return Status::Interrupted;
      if (error_ != 0) return Status::ReadError;
    }
    searched += start_;
  }
}

}  // namespace velmora::tool
