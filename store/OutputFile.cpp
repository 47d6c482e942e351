#include "store/OutputFile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <mutex>

namespace velmora {

namespace {

constexpr size_t kBuffer = size_t(256) << 10;

// What is at a target that cannot be replaced, or empty when it can be
// (nothing, a regular file, or a link, which is replaced itself).
const char* RefusedKind(PathKind kind) {
  switch (kind) {
    case PathKind::Missing:
    case PathKind::Regular:
    case PathKind::Link:
      return nullptr;
    case PathKind::Folder:
      return "this is a folder, not a file:";
    case PathKind::Pipe:
      return "this is a pipe (FIFO), not a regular file:";
    case PathKind::Socket:
      return "this is a socket, not a regular file:";
    case PathKind::Device:
      return "this is a device, not a regular file:";
    case PathKind::Other:
      break;
  }
  return "this is not a regular file:";
}

Result CheckTarget(FileSystem& fs, const std::string& path, const std::string& what, PathInfo& info) {
  if (Result inspected = fs.Inspect(path, info); !inspected.ok()) {
    return Result::Fail(what, inspected.sysError(), path);
  }
  if (const char* refused = RefusedKind(info.kind)) return Result::Fail(what + ": " + refused, 0, path);
  return Result::Ok();
}

// The bits, owner and group the fresh file gets, given its own ownership.
FileOwnership Wanted(const OutputMode& mode, const PathInfo& target, const FileOwnership& fresh) {
  FileOwnership wanted = fresh;
  if (mode.exact) {
    wanted.mode = mode.widest & 0777;
  } else if (target.kind == PathKind::Regular) {
    wanted.mode = target.ownership.mode & 0777;
  } else {
    wanted.mode = mode_t(0666) & ~CurrentUmask() & mode.widest;
  }
  if (target.kind == PathKind::Regular) {
    wanted.owner = target.ownership.owner;
    wanted.group = target.ownership.group;
  }
  return wanted;
}

}  // namespace

mode_t CurrentUmask() {
  // Linux tells the mask in /proc; changing it to read it back would race
  // with other threads creating files.
  if (FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status)) {
      found = std::sscanf(line, "Umask: %o", &mask) == 1;
    }
    std::fclose(status);
    if (found) return mode_t(mask & 0777);
  }
  static std::mutex guard;
  std::lock_guard<std::mutex> lock(guard);
  const mode_t mask = ::umask(022);
  ::umask(mask);
  return mask;
}

OutputMode OutputMode::NoWiderThanFile(FileSystem& fs, const std::string& sourcePath) {
  std::string real;
  PathInfo info;
  if (!fs.Resolve(sourcePath, real).ok() || !fs.Inspect(real, info).ok() || info.kind != PathKind::Regular) {
    return Usual();
  }
  return NoWiderThan(info.ownership.mode);
}

Result ReplaceFileAtomically(FileSystem& fs, const std::string& path, std::string_view contents,
                             const OutputMode& mode, const std::string& what) {
  OutputFile out;
  if (Result created = out.Create(fs, path, mode, what); !created.ok()) return created;
  if (Result written = out.Write(contents); !written.ok()) return written;
  return out.Commit();
}

OutputFile::~OutputFile() { Abandon(); }

void OutputFile::Abandon() {
  if (tempPath_.empty() || committed_) return;
  file_.reset();
  (void)fs_->Remove(tempPath_);  // the fresh file only; the target is untouched
  tempPath_.clear();
}

Result OutputFile::Failed(Result failure) {
  Abandon();
  failure_ = failure;
  return failure;
}

Result OutputFile::Create(FileSystem& fs, const std::string& path, const OutputMode& mode, const std::string& what) {
  fs_ = &fs;
  path_ = path;
  mode_ = mode;
  if (path.empty()) return failure_ = Result::Fail(what + " (no file name given)", 0, path);
  if (Result checked = CheckTarget(fs, path, what, target_); !checked.ok()) return failure_ = checked;
  if (Result made = fs.CreateTemp(path, tempPath_, file_); !made.ok()) {
    file_.reset();
    tempPath_.clear();
    return failure_ = Result::Fail(what, made.sysError(), path);
  }
  buffer_.reserve(kBuffer);
  return Result::Ok();
}

Result OutputFile::Drain() {
  if (!failure_.ok()) return failure_;
  if (!file_) return Failed(Result::Fail("Cannot write", 0, path_));
  if (buffer_.empty()) return Result::Ok();
  if (Result written = file_->WriteAt(written_, buffer_.data(), buffer_.size()); !written.ok()) {
    return Failed(Result::Fail("Cannot write", written.sysError(), path_));
  }
  written_ += buffer_.size();
  buffer_.clear();
  return Result::Ok();
}

Result OutputFile::Write(std::string_view data) {
  if (!failure_.ok()) return failure_;
  if (committed_ || !file_) return Failed(Result::Fail("Cannot write", 0, path_));
  if (buffer_.size() + data.size() > kBuffer && !buffer_.empty()) {
    if (Result drained = Drain(); !drained.ok()) return drained;
  }
  if (data.size() >= kBuffer) {
    if (Result written = file_->WriteAt(written_, data.data(), data.size()); !written.ok()) {
      return Failed(Result::Fail("Cannot write", written.sysError(), path_));
    }
    written_ += data.size();
    return Result::Ok();
  }
  buffer_ += data;
  return Result::Ok();
}

Result OutputFile::Commit() {
  if (committed_) return Result::Ok();
  if (Result drained = Drain(); !drained.ok()) return drained;
  if (Result synced = file_->Sync(); !synced.ok()) {
    return Failed(Result::Fail("Cannot write", synced.sysError(), path_));
  }
  // The target may have changed since Create: what is there now decides.
  if (Result checked = CheckTarget(*fs_, path_, "Cannot write", target_); !checked.ok()) return Failed(checked);
  FileOwnership fresh;
  if (Result own = file_->GetOwnership(fresh); !own.ok()) {
    return Failed(Result::Fail("Cannot set the permissions of", own.sysError(), path_));
  }
  const FileOwnership wanted = Wanted(mode_, target_, fresh);
  if (Result set = file_->SetOwnership(wanted); !set.ok()) {
    // Only a privileged process may give a file another user's ownership:
    // the replaced file's bits are kept under this user's own name.
    FileOwnership mine = wanted;
    mine.owner = fresh.owner;
    mine.group = fresh.group;
    if (Result own = file_->SetOwnership(mine); !own.ok()) {
      return Failed(Result::Fail("Cannot set the permissions of", own.sysError(), path_));
    }
  }
  file_.reset();
  if (Result renamed = fs_->Rename(tempPath_, path_); !renamed.ok()) {
    return Failed(Result::Fail("Cannot write", renamed.sysError(), path_));
  }
  committed_ = true;
  tempPath_.clear();
  if (Result synced = fs_->SyncFolderOf(path_); !synced.ok()) {
    return failure_ = Result::Fail("Cannot write", synced.sysError(), path_);
  }
  return Result::Ok();
}

}  // namespace velmora
