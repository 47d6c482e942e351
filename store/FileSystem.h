// The one seam between the store and the operating system. Every read,
// write, lock, rename and delete of a record file goes through these
// interfaces; PosixFileSystem is the real one, and tests wrap it to inject
// short writes, failed renames or a full disk.
#pragma once

#include <sys/types.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <string>

#include "store/Result.h"

namespace velmora {

struct FileOwnership {
  mode_t mode = 0;  // permission bits only
  uid_t owner = 0;
  gid_t group = 0;
};

// What a path names, without following a link at its end.
enum class PathKind { Missing, Regular, Link, Folder, Pipe, Socket, Device, Other };

struct PathInfo {
  PathKind kind = PathKind::Missing;
  FileOwnership ownership;  // of the link itself when kind is Link
};

class File {
 public:
  virtual ~File() = default;
  // Full transfers only: a short read or write is a failure.
  virtual Result ReadAt(uint64_t offset, void* buffer, size_t length) = 0;
  // Reads up to length bytes; returns the count read, or -1 on error.
  virtual int64_t ReadSome(uint64_t offset, void* buffer, size_t length) = 0;
  virtual Result WriteAt(uint64_t offset, const void* buffer, size_t length) = 0;
  virtual Result Size(uint64_t& size) = 0;
  virtual Result Truncate(uint64_t size) = 0;
  virtual Result Sync() = 0;
  // Open-file-description byte-range locks: they belong to this File, so two
  // Files of one process conflict, and closing one never drops another's.
  virtual bool TryLock(uint64_t start, uint64_t length, bool exclusive) = 0;
  // Waits while another connection holds the range, but never longer than
  // LockWaitLimit(); then fails with "the file is busy".
  virtual Result Lock(uint64_t start, uint64_t length, bool exclusive) = 0;
  virtual void Unlock(uint64_t start, uint64_t length) = 0;
  // True while path still names this file, false once a rename put another
  // file there (compaction replaces a file that way).
  virtual bool IsAt(const std::string& path) {
    (void)path;
    return true;
  }
  // Permission bits, owner and group of the file.
  virtual Result GetOwnership(FileOwnership& out) {
    (void)out;
    return Result::Fail("Cannot read the owner of a file of this kind", ENOTSUP);
  }
  // Gives the file those permission bits, then that owner and group; fails
  // (having set the bits) when the process may not change the owner.
  virtual Result SetOwnership(const FileOwnership& wanted) {
    (void)wanted;
    return Result::Fail("Cannot change the owner of a file of this kind", ENOTSUP);
  }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading and writing.
  virtual Result Open(const std::string& path, std::unique_ptr<File>& out) = 0;
  // Opens an existing file for reading only (a read-only mount, or a file
  // this user may read but not write).
  virtual Result OpenReadOnly(const std::string& path, std::unique_ptr<File>& out) {
    return Posix().OpenReadOnly(path, out);
  }
  // Creates a new empty file in the folder of nearPath under a fresh,
  // unguessable name, exclusively and without following a planted link;
  // tempPath receives its name.
  virtual Result CreateTemp(const std::string& nearPath, std::string& tempPath, std::unique_ptr<File>& out) {
    return Posix().CreateTemp(nearPath, tempPath, out);
  }
  // What path names, a link at its end not followed. A missing path is no
  // failure (kind Missing); a folder on the way that cannot be searched is.
  virtual Result Inspect(const std::string& path, PathInfo& out) { return Posix().Inspect(path, out); }
  // The path with every link and "." or ".." resolved; fails with the
  // system's reason (a link loop, a missing folder).
  virtual Result Resolve(const std::string& path, std::string& out) { return Posix().Resolve(path, out); }
  // Opens for reading and writing, creating an empty file when missing.
  virtual Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual Result Remove(const std::string& path) = 0;
  // Atomically replaces to with from.
  virtual Result Rename(const std::string& from, const std::string& to) = 0;
  // Makes a rename or creation in the folder of path durable.
  virtual Result SyncFolderOf(const std::string& path) = 0;

  static FileSystem& Default();
  // The real one, whatever a test installed.
  static FileSystem& Posix();
};

// How long Lock waits for a range another connection holds: a few seconds,
// far longer than any guarded step takes, so only a stopped or stuck holder
// runs it out.
inline constexpr int kLockWaitLimitMs = 5000;
int LockWaitLimitMs();
// Replaces the limit (tests only); a negative value restores kLockWaitLimitMs.
void SetLockWaitLimitForTesting(int milliseconds);

// The text of the "file is busy" refusal, for callers that test for it.
inline constexpr const char* kFileBusy = "The file is busy: another user is changing it; try again in a moment:";

// Replaces the file system every store uses (tests only); nullptr restores
// the POSIX one.
void SetFileSystemForTesting(FileSystem* fs);

}  // namespace velmora
