// The one seam between the store and the operating system. Every read,
// write, lock, rename and delete of a record file goes through these
// interfaces; PosixFileSystem is the real one, and tests wrap it to inject
// short writes, failed renames or a full disk.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "store/Result.h"

namespace velmora {

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
  virtual Result Lock(uint64_t start, uint64_t length, bool exclusive) = 0;  // waits
  virtual void Unlock(uint64_t start, uint64_t length) = 0;
  // True while path still names this file, false once a rename put another
  // file there (compaction replaces a file that way).
  virtual bool IsAt(const std::string& path) {
    (void)path;
    return true;
  }
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Opens an existing file for reading and writing.
  virtual Result Open(const std::string& path, std::unique_ptr<File>& out) = 0;
  // Opens for reading and writing, creating an empty file when missing.
  virtual Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) = 0;
  virtual bool Exists(const std::string& path) = 0;
  virtual Result Remove(const std::string& path) = 0;
  // Atomically replaces to with from.
  virtual Result Rename(const std::string& from, const std::string& to) = 0;
  // Makes a rename or creation in the folder of path durable.
  virtual Result SyncFolderOf(const std::string& path) = 0;
  // Creates a new empty file in the folder of beside under a fresh
  // unguessable name (exclusively, never through a planted link), with the
  // permission bits of beside when it exists; temp receives its path. The
  // POSIX one unless a test file system overrides it.
  virtual Result CreateTemporaryBeside(const std::string& beside, std::string& temp, std::unique_ptr<File>& out);

  static FileSystem& Default();
};

// Replaces the file system every store uses (tests only); nullptr restores
// the POSIX one.
void SetFileSystemForTesting(FileSystem* fs);

}  // namespace velmora
