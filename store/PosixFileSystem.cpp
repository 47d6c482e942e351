// How record files map onto Linux.
//
// - Sharing: every open connection keeps its own file descriptor (its own
//   open file description) and holds a *shared* OFD lock (F_OFD_SETLK) on
//   the presence byte, far beyond any data (FileLocks.h). A file is "in use"
//   when it is missing or an *exclusive* lock on that byte cannot be taken.
//   OFD locks belong to the open file description, so two connections of one
//   process conflict like two processes do, and closing one descriptor never
//   drops another connection's lock (classic POSIX record locks fail both).
// - Creating a file "with exclusive access" and compacting it take the
//   presence byte exclusively, so nobody can open the file meanwhile.
// - The read-modify-write of the header and the test-and-set of a slot's
//   edit-lock byte run under an exclusive OFD lock on the guard byte, so two
//   users on one machine, or on a network file system with POSIX locks,
//   never lose an update or both win one edit lock.
// - Flush is fdatasync. Renames replace atomically, and the folder is synced
//   afterwards so the rename survives a crash.
// - errno is mapped to text in exactly one place, Result::Message.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "store/FileSystem.h"

namespace velmora {

std::string Result::Message() const {
  std::string text = what_.empty() ? std::string("Operation failed") : what_;
  if (!path_.empty()) text += " \"" + path_ + "\"";
  if (sysError_ != 0) {
    text += ": ";
    text += std::strerror(sysError_);
  }
  return text;
}

namespace {

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~PosixFile() override { ::close(fd_); }

  Result ReadAt(uint64_t offset, void* buffer, size_t length) override {
    int64_t n = ReadSome(offset, buffer, length);
    if (n < 0) return Result::Fail("Cannot read", errno, path_);
    if (static_cast<size_t>(n) != length) return Result::Fail("Short read from", 0, path_);
    return Result::Ok();
  }

  int64_t ReadSome(uint64_t offset, void* buffer, size_t length) override {
    auto* p = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
      ssize_t n = ::pread(fd_, p + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return -1;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  Result WriteAt(uint64_t offset, const void* buffer, size_t length) override {
    const auto* p = static_cast<const uint8_t*>(buffer);
    size_t done = 0;
    while (done < length) {
      ssize_t n = ::pwrite(fd_, p + done, length - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return Result::Fail("Cannot write", errno, path_);
      }
      if (n == 0) return Result::Fail("Short write to", 0, path_);
      done += static_cast<size_t>(n);
    }
    return Result::Ok();
  }

  Result Size(uint64_t& size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Result::Fail("Cannot read the size of", errno, path_);
    size = static_cast<uint64_t>(st.st_size);
    return Result::Ok();
  }

  Result Truncate(uint64_t size) override {
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) return Result::Fail("Cannot truncate", errno, path_);
    return Result::Ok();
  }

  Result Sync() override {
    if (::fdatasync(fd_) != 0) return Result::Fail("Cannot flush", errno, path_);
    return Result::Ok();
  }

  bool TryLock(uint64_t start, uint64_t length, bool exclusive) override {
    return SetLock(F_OFD_SETLK, exclusive ? F_WRLCK : F_RDLCK, start, length) == 0;
  }

  Result Lock(uint64_t start, uint64_t length, bool exclusive) override {
    while (SetLock(F_OFD_SETLKW, exclusive ? F_WRLCK : F_RDLCK, start, length) != 0) {
      if (errno == EINTR) continue;
      return Result::Fail("Cannot lock", errno, path_);
    }
    return Result::Ok();
  }

  void Unlock(uint64_t start, uint64_t length) override { SetLock(F_OFD_SETLK, F_UNLCK, start, length); }

  bool IsAt(const std::string& path) override {
    struct stat mine, named;
    if (::fstat(fd_, &mine) != 0 || ::stat(path.c_str(), &named) != 0) return false;
    return mine.st_dev == named.st_dev && mine.st_ino == named.st_ino;
  }

 private:
  int SetLock(int cmd, short type, uint64_t start, uint64_t length) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = static_cast<off_t>(start);
    fl.l_len = static_cast<off_t>(length);
    fl.l_pid = 0;  // required by OFD locks
    return ::fcntl(fd_, cmd, &fl);
  }

  int fd_;
  std::string path_;
};

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

class PosixFileSystem final : public FileSystem {
 public:
  Result Open(const std::string& path, std::unique_ptr<File>& out) override { return OpenWith(path, 0, out); }

  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override {
    return OpenWith(path, O_CREAT, out);
  }

  bool Exists(const std::string& path) override {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  Result Remove(const std::string& path) override {
    if (::unlink(path.c_str()) != 0) return Result::Fail("Cannot delete", errno, path);
    return Result::Ok();
  }

  Result Rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return Result::Fail("Cannot rename", errno, from);
    return Result::Ok();
  }

  Result SyncFolderOf(const std::string& path) override {
    std::string folder = FolderOf(path);
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return Result::Fail("Cannot open the folder", errno, folder);
    int rc = ::fsync(fd);
    int err = errno;
    ::close(fd);
    // Some file systems cannot sync a folder; the rename itself has happened.
    if (rc != 0 && err != EINVAL && err != EROFS) return Result::Fail("Cannot flush the folder", err, folder);
    return Result::Ok();
  }

 private:
  static Result OpenWith(const std::string& path, int extra, std::unique_ptr<File>& out) {
    int fd;
    do {
      fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | extra, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Result::Fail("Cannot open", errno, path);
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      ::close(fd);
      return Result::Fail("Not a regular file:", EINVAL, path);
    }
    out = std::make_unique<PosixFile>(fd, path);
    return Result::Ok();
  }
};

FileSystem* g_override = nullptr;

}  // namespace

Result FileSystem::CreateTemporaryBeside(const std::string& beside, std::string& temp, std::unique_ptr<File>& out) {
  std::string pattern = beside + ".tmpXXXXXX";
  // mkostemp creates with O_CREAT | O_EXCL, so a link planted under the name
  // fails the creation instead of being written through.
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) return Result::Fail("Cannot create a temporary file beside", errno, beside);
  struct stat st;
  if (::stat(beside.c_str(), &st) == 0 && ::fchmod(fd, st.st_mode & 07777) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(pattern.c_str());
    return Result::Fail("Cannot set the permissions of", error, pattern);
  }
  temp = pattern;
  out = std::make_unique<PosixFile>(fd, pattern);
  return Result::Ok();
}

FileSystem& FileSystem::Default() {
  static PosixFileSystem posix;
  return g_override ? *g_override : posix;
}

void SetFileSystemForTesting(FileSystem* fs) { g_override = fs; }

}  // namespace velmora
