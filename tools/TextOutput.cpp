#include "tools/TextOutput.h"

#include <unistd.h>

#include <cerrno>

#include "store/FileSystem.h"
#include "tools/Interruption.h"

namespace velmora::tool {

namespace {

constexpr size_t kBlockSize = 64 * 1024;

}  // namespace

TextOutput::TextOutput() { buffer_.reserve(kBlockSize); }

TextOutput::~TextOutput() = default;

Result TextOutput::Create(const std::string& path, const std::string& what, const OutputMode& mode) {
  if (Result created = file_.Create(FileSystem::Default(), path, mode, what); !created.ok()) return created;
  owned_ = true;
  path_ = path;
  return Result::Ok();
}

bool TextOutput::WriteOut(const char* data, size_t size) {
  if (owned_) {
    if (Interrupted()) {
      ended_ = true;
      return false;
    }
    if (Result written = file_.Write(std::string_view(data, size)); !written.ok()) {
      ended_ = true;
      failure_ = written;
      return false;
    }
    return true;
  }
  while (size > 0) {
    if (Interrupted()) {
      ended_ = true;
      return false;
    }
    const ssize_t written = ::write(fd_, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      ended_ = true;
      if (errno == EPIPE) {
        readerGone_ = true;
      } else {
        failure_ = Result::Fail("Cannot write the standard output", errno);
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
  const bool complete = Flush();
  if (!owned_) return failure_;
  if (!complete || Interrupted()) {
    file_.Abandon();
    return failure_;
  }
  if (Result committed = file_.Commit(); !committed.ok() && failure_.ok()) failure_ = committed;
  return failure_;
}

}  // namespace velmora::tool
