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
// - No wait on a lock is unbounded: Lock retries for LockWaitLimitMs() and
//   then reports the file busy, so a stopped or stuck holder cannot freeze
//   every other user.
// - Temporary files are made by mkostemp in the folder of the file they will
//   replace: a fresh name, created exclusively, never through a planted link.
// - errno is mapped to text in exactly one place, SystemErrorText.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "store/FileSystem.h"

namespace velmora {

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
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(LockWaitLimitMs());
    auto pause = std::chrono::microseconds(200);
    for (;;) {
      if (SetLock(F_OFD_SETLK, exclusive ? F_WRLCK : F_RDLCK, start, length) == 0) return Result::Ok();
      if (errno == EINTR) continue;
      if (errno != EAGAIN && errno != EACCES) return Result::Fail("Cannot lock", errno, path_);
      if (Clock::now() >= deadline) return Result::Fail(kFileBusy, 0, path_);
      std::this_thread::sleep_for(pause);
      pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(20));
    }
  }

  void Unlock(uint64_t start, uint64_t length) override { SetLock(F_OFD_SETLK, F_UNLCK, start, length); }

  Result GetOwnership(FileOwnership& out) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Result::Fail("Cannot read the owner of", errno, path_);
    out.mode = st.st_mode & 07777;
    out.owner = st.st_uid;
    out.group = st.st_gid;
    return Result::Ok();
  }

  Result SetOwnership(const FileOwnership& wanted) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return Result::Fail("Cannot read the owner of", errno, path_);
    if ((st.st_uid != wanted.owner || st.st_gid != wanted.group) && ::fchown(fd_, wanted.owner, wanted.group) != 0) {
      // Some users may still give the file its group.
      int err = errno;
      if (st.st_gid != wanted.group) (void)::fchown(fd_, uid_t(-1), wanted.group);
      (void)::fchmod(fd_, wanted.mode);
      return Result::Fail("Cannot give the new file the owner and group of", err, path_);
    }
    // After fchown, which may clear the set-id bits.
    if (::fchmod(fd_, wanted.mode) != 0) return Result::Fail("Cannot set the permissions of", errno, path_);
    return Result::Ok();
  }

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

std::string NotRegularText(mode_t mode) {
  if (S_ISDIR(mode)) return "Not a record file: this is a folder:";
  if (S_ISFIFO(mode)) return "Not a record file: this is a pipe (FIFO):";
  if (S_ISSOCK(mode)) return "Not a record file: this is a socket:";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "Not a record file: this is a device:";
  return "Not a record file: not a regular file:";
}

std::atomic<int> g_lockWaitMs{kLockWaitLimitMs};

class PosixFileSystem final : public FileSystem {
 public:
  Result Open(const std::string& path, std::unique_ptr<File>& out) override { return OpenWith(path, O_RDWR, out); }

  Result OpenReadOnly(const std::string& path, std::unique_ptr<File>& out) override {
    return OpenWith(path, O_RDONLY, out);
  }

  Result OpenOrCreate(const std::string& path, std::unique_ptr<File>& out) override {
    return OpenWith(path, O_RDWR | O_CREAT, out);
  }

  Result CreateTemp(const std::string& nearPath, std::string& tempPath, std::unique_ptr<File>& out) override {
    const auto slash = nearPath.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : nearPath.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? nearPath : nearPath.substr(slash + 1);
    const std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd;
    do {
      fd = ::mkostemp(buffer.data(), O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
      tempPath = pattern;
      return Result::Fail("Program can't create a temporary file beside", errno, nearPath);
    }
    tempPath = buffer.data();
    out = std::make_unique<PosixFile>(fd, tempPath);
    return Result::Ok();
  }

  Result Inspect(const std::string& path, PathInfo& out) override {
    out = PathInfo{};
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return Result::Ok();
      return Result::Fail("Cannot read the kind of file of", errno, path);
    }
    const mode_t type = st.st_mode & S_IFMT;
    out.kind = type == S_IFREG    ? PathKind::Regular
               : type == S_IFLNK  ? PathKind::Link
               : type == S_IFDIR  ? PathKind::Folder
               : type == S_IFIFO  ? PathKind::Pipe
               : type == S_IFSOCK ? PathKind::Socket
               : (type == S_IFCHR || type == S_IFBLK) ? PathKind::Device
                                                      : PathKind::Other;
    out.ownership.mode = st.st_mode & 07777;
    out.ownership.owner = st.st_uid;
    out.ownership.group = st.st_gid;
    return Result::Ok();
  }

  Result Resolve(const std::string& path, std::string& out) override {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (resolved == nullptr) return Result::Fail("Cannot open", errno, path);
    out = resolved;
    std::free(resolved);
    return Result::Ok();
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
  static Result OpenWith(const std::string& path, int flags, std::unique_ptr<File>& out) {
    // A folder or a pipe is named as such, not reported by whatever opening
    // it happens to do (a pipe would block, a folder fails with EISDIR).
    struct stat named;
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) {
      return Result::Fail(NotRegularText(named.st_mode), 0, path);
    }
    int fd;
    do {
      fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Result::Fail("Cannot open", errno, path);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
      int err = errno;
      ::close(fd);
      return Result::Fail("Cannot open", err, path);
    }
    if (!S_ISREG(st.st_mode)) {
      ::close(fd);
      return Result::Fail(NotRegularText(st.st_mode), 0, path);
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    out = std::make_unique<PosixFile>(fd, path);
    return Result::Ok();
  }
};

FileSystem* g_override = nullptr;

}  // namespace

FileSystem& FileSystem::Posix() {
  static PosixFileSystem posix;
  return posix;
}

FileSystem& FileSystem::Default() { return g_override ? *g_override : Posix(); }

int LockWaitLimitMs() { return g_lockWaitMs.load(); }

void SetLockWaitLimitForTesting(int milliseconds) {
  g_lockWaitMs.store(milliseconds < 0 ? kLockWaitLimitMs : milliseconds);
}

void SetFileSystemForTesting(FileSystem* fs) { g_override = fs; }

}  // namespace velmora
