#include "importexport/TextFileOutput.h"

#include <sys/stat.h>

#include <memory>

#include "store/FileSystem.h"

namespace velmora {

namespace {

Result WriteFailure(const Result& failed, const std::string& path) {
  return Result::Fail("Cannot write", failed.sysError(), path);
}

}  // namespace

Result WriteTextFile(const std::string& path, std::string_view contents, const std::string& what) {
  if (path.empty()) return Result::Fail(what + " (no file name given)", 0, path);
  std::unique_ptr<File> file;
  Result opened = FileSystem::Default().OpenOrCreate(path, file);
  if (!opened) return Result::Fail(what, opened.sysError(), path);
  if (Result emptied = file->Truncate(0); !emptied) return WriteFailure(emptied, path);
  if (Result written = file->WriteAt(0, contents.data(), contents.size()); !written) {
    return WriteFailure(written, path);
  }
  if (Result synced = file->Sync(); !synced) return WriteFailure(synced, path);
  return Result::Ok();
}

}  // namespace velmora

namespace velmora {

namespace {

constexpr size_t kWriterBuffer = size_t(256) << 10;

// Read and write for everyone the process's file-creation mask allows, as a
// file made by the desktop's programs would have.
mode_t UsualMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mode_t(0666) & ~mask;
}

}  // namespace

TextFileWriter::~TextFileWriter() {
  if (!file_ || finished_) return;
  file_.reset();
  (void)FileSystem::Default().Remove(tempPath_);  // a leftover fresh file only; the target is untouched
}

Result TextFileWriter::Create(const std::string& path, const std::string& what) {
  path_ = path;
  if (path.empty()) return failure_ = Result::Fail(what + " (no file name given)", 0, path);
  if (Result made = FileSystem::Default().CreateTemp(path, tempPath_, file_); !made.ok()) {
    file_.reset();
    return failure_ = Result::Fail(what, made.sysError(), path);
  }
  buffer_.reserve(kWriterBuffer);
  return Result::Ok();
}

Result TextFileWriter::Drain() {
  if (!failure_.ok()) return failure_;
  if (!file_) return failure_ = Result::Fail("Cannot write", 0, path_);
  if (buffer_.empty()) return Result::Ok();
  if (Result written = file_->WriteAt(written_, buffer_.data(), buffer_.size()); !written.ok()) {
    return failure_ = Result::Fail("Cannot write", written.sysError(), path_);
  }
  written_ += buffer_.size();
  buffer_.clear();
  return Result::Ok();
}

Result TextFileWriter::Write(std::string_view text) {
  if (!failure_.ok()) return failure_;
  buffer_ += text;
  if (buffer_.size() >= kWriterBuffer) return Drain();
  return Result::Ok();
}

Result TextFileWriter::Finish() {
  if (Result drained = Drain(); !drained.ok()) return drained;
  if (Result synced = file_->Sync(); !synced.ok()) {
    return failure_ = Result::Fail("Cannot write", synced.sysError(), path_);
  }
  FileOwnership ownership;
  if (file_->GetOwnership(ownership).ok()) {
    ownership.mode = UsualMode();
    if (Result set = file_->SetOwnership(ownership); !set.ok()) {
      return failure_ = Result::Fail("Cannot set the permissions of", set.sysError(), path_);
    }
  }
  file_.reset();
  if (Result renamed = FileSystem::Default().Rename(tempPath_, path_); !renamed.ok()) {
    (void)FileSystem::Default().Remove(tempPath_);  // the failure told is the rename's
    finished_ = true;
    return failure_ = Result::Fail("Cannot write", renamed.sysError(), path_);
  }
  finished_ = true;
  if (Result synced = FileSystem::Default().SyncFolderOf(path_); !synced.ok()) {
    return failure_ = Result::Fail("Cannot write", synced.sysError(), path_);
  }
  return Result::Ok();
}

}  // namespace velmora
