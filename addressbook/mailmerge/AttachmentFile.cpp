#include "addressbook/mailmerge/AttachmentFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace velmora {

namespace {

constexpr const char* kCannotRead = "Cannot read the attachment";
constexpr const char* kNotRegular = "The attachment is not a regular file";
constexpr const char* kTooLarge = "The attachment is larger than 25 MB";
constexpr const char* kIsLink = "The attachment is a link, not the file itself";

// The descriptor closed on every way out.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

Result Judge(const struct stat& info, uint64_t limit, const std::string& path) {
  if (!S_ISREG(info.st_mode)) return Result::Fail(kNotRegular, 0, path);
  if (uint64_t(info.st_size) > limit) return Result::Fail(kTooLarge, 0, path);
  return Result::Ok();
}

}  // namespace

std::string ResolvedAttachmentPath(const std::string& path) {
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return path;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
  if (error) return absolute.lexically_normal().string();
  return resolved.string();
}

Result CheckAttachment(const std::string& path, uint64_t limit) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return Result::Fail(kCannotRead, errno, path);
  if (Result judged = Judge(info, limit, path); !judged.ok()) return judged;
  // Readable by this user: opened (never waiting, the file being regular)
  // and closed again.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (fd.get() < 0) return Result::Fail(kCannotRead, errno, path);
  return Result::Ok();
}

ResultOf<std::string> ReadAttachment(const std::string& path, uint64_t limit) {
  // O_NONBLOCK: a FIFO put in the file's place opens at once instead of
  // waiting for a writer; it is then refused by what the descriptor is.
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC));
  if (fd.get() < 0) {
    const int error = errno;
    if (error == ELOOP) return Result::Fail(kIsLink, 0, path);
    return Result::Fail(kCannotRead, error, path);
  }
  struct stat info {};
  if (::fstat(fd.get(), &info) != 0) return Result::Fail(kCannotRead, errno, path);
  if (Result judged = Judge(info, limit, path); !judged.ok()) return judged;
  std::string bytes;
  bytes.resize(size_t(info.st_size));
  size_t got = 0;
  // One byte beyond the limit tells a file that grew past it.
  const size_t most = size_t(limit) + 1;
  char spare[4096];
  for (;;) {
    char* into = got < bytes.size() ? bytes.data() + got : spare;
    size_t room = got < bytes.size() ? bytes.size() - got : sizeof spare;
    if (got + room > most) room = most - got;
    if (room == 0) break;
    const ssize_t n = ::read(fd.get(), into, room);
    if (n < 0) {
      if (errno == EINTR) continue;
      return Result::Fail(kCannotRead, errno, path);
    }
    if (n == 0) break;
    if (into == spare) bytes.append(spare, size_t(n));
    got += size_t(n);
    if (got > limit) return Result::Fail(kTooLarge, 0, path);
  }
  bytes.resize(got);
  return bytes;
}

}  // namespace velmora
