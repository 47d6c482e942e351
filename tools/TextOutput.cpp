#include "tools/TextOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "tools/Interruption.h"

namespace velmora::tool {

namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

TextOutput::TextOutput() { buffer_.reserve(kBlockSize); }

TextOutput::~TextOutput() {
  if (owned_ && fd_ >= 0) ::close(fd_);
}

Result TextOutput::Create(const std::string& path, const std::string& what) {
  if (path.empty()) return Result::Fail(what + " (no file name given)", 0, path);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return Result::Fail(what, errno, path);
  fd_ = fd;
  owned_ = true;
  path_ = path;
  return Result::Ok();
}

bool TextOutput::WriteOut(const char* data, size_t size) {
  while (size > 0) {
    if (Interrupted()) {
      ended_ = true;
      return false;
    }
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      ended_ = true;
      if (errno == EPIPE && !owned_) {
        readerGone_ = true;
      } else {
        failure_ = owned_ ? Result::Fail("Cannot write", errno, path_)
                          : Result::Fail("Cannot write the standard output", errno);
      }
      return false;
    }
    data += written;
    size -= size_t(written);
  }
  return true;
}

bool TextOutput::Write(std::string_view text) {
  if (ended_) return false;
  if (buffer_.size() + text.size() > kBlockSize) {
    if (!Flush()) return false;
    if (text.size() >= kBlockSize) return WriteOut(text.data(), text.size());
  }
  buffer_.append(text);
  return true;
}

bool TextOutput::Flush() {
  if (ended_) return false;
  const bool ok = WriteOut(buffer_.data(), buffer_.size());
  buffer_.clear();
  return ok;
}

Result TextOutput::Finish() {
  (void)Flush();  // a failed write is kept in failure_ and returned below
  if (owned_ && fd_ >= 0) {
    const int closed = ::close(fd_);
    const int error = errno;
    fd_ = -1;
    if (closed != 0 && failure_.ok()) failure_ = Result::Fail("Cannot write", error, path_);
  }
  return failure_;
}

}  // namespace velmora::tool
