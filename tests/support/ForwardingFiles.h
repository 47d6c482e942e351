// Files and a file system that pass every call on to another, so that a
// test overrides only the calls it fails, delays or counts.
#pragma once

#include <memory>
#include <string>

#include "store/FileSystem.h"

namespace velmora::testing {

class ForwardingFile : public File {
 public:
  explicit ForwardingFile(std::unique_ptr<File> inner) : inner_(std::move(inner)) {}

  Result ReadAt(uint64_t offset, void* buffer, size_t length) override {
    return inner_->ReadAt(offset, buffer, length);
  }
  int64_t ReadSome(uint64_t offset, void* buffer, size_t length) override {
    return inner_->ReadSome(offset, buffer, length);
  }
  Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
    return inner_->WriteAt(offset, buffer, length);
  }
  Result Size(uint64_t& size) override { return inner_->Size(size); }
  Result Truncate(uint64_t size) override { return inner_->Truncate(size); }
  Result Sync() override { return inner_->Sync(); }
  bool TryLock(uint64_t start, uint64_t length, bool exclusive) override {
    return inner_->TryLock(start, length, exclusive);
  }
  Result Lock(uint64_t start, uint64_t length, bool exclusive) override {
    return inner_->Lock(start, length, exclusive);
  }
  void Unlock(uint64_t start, uint64_t length) override { inner_->Unlock(start, length); }
  bool IsAt(const std::string& path) override { return inner_->IsAt(path); }
  Result GetOwnership(FileOwnership& out) override { return inner_->GetOwnership(out); }
  Result SetOwnership(const FileOwnership& wanted) override { return inner_->SetOwnership(wanted); }

 protected:
  File& inner() { return *inner_; }

 private:
  std::unique_ptr<File> inner_;
};

// Passes everything to the file system that was in force when it was made.
// Each file it opens or creates goes through Wrap, which a test overrides to
// put a ForwardingFile of its own around the files it cares about.
class ForwardingFileSystem : public FileSystem {
 public:
  enum class Opening { Open, OpenReadOnly, OpenOrCreate, CreateTemp };

  Result Open(const std::string& path, std::unique_ptr<File>& out) override {
    return Wrapped(real_.Open(path, out), Opening::Open, path, out);
  }
  Result OpenReadOnly(const std::string& path, std::unique_ptr<File>& out) override {
    return Wrapped(real_.OpenReadOnly(path, out), Opening::OpenReadOnly, path, out);
  }
  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override {
    return Wrapped(real_.OpenOrCreate(path, out), Opening::OpenOrCreate, path, out);
  }
  Result CreateTemp(const std::string& nearPath, std::string& tempPath, std::unique_ptr<File>& out) override {
    return Wrapped(real_.CreateTemp(nearPath, tempPath, out), Opening::CreateTemp, tempPath, out);
  }
  Result Inspect(const std::string& path, PathInfo& out) override { return real_.Inspect(path, out); }
  Result Resolve(const std::string& path, std::string& out) override { return real_.Resolve(path, out); }
  bool Exists(const std::string& path) override { return real_.Exists(path); }
  Result Remove(const std::string& path) override { return real_.Remove(path); }
  Result Rename(const std::string& from, const std::string& to) override { return real_.Rename(from, to); }
  Result SyncFolderOf(const std::string& path) override { return real_.SyncFolderOf(path); }

 protected:
  // REQUIRES: file was just opened or created, the way how says, at path.
  virtual void Wrap(Opening how, const std::string& path, std::unique_ptr<File>& file) {
    (void)how;
    (void)path;
    (void)file;
  }
  FileSystem& real() { return real_; }

 private:
  Result Wrapped(Result made, Opening how, const std::string& path, std::unique_ptr<File>& out) {
    if (made.ok()) Wrap(how, path, out);
    return made;
  }

  FileSystem& real_ = FileSystem::Default();
};

// Installs a file system for the life of the object.
class ScopedFileSystem {
 public:
  explicit ScopedFileSystem(FileSystem* fs) { SetFileSystemForTesting(fs); }
  ~ScopedFileSystem() { SetFileSystemForTesting(nullptr); }
  ScopedFileSystem(const ScopedFileSystem&) = delete;
  ScopedFileSystem& operator=(const ScopedFileSystem&) = delete;
};

}  // namespace velmora::testing
