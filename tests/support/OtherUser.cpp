#include "tests/support/OtherUser.h"

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace velmora::testing {

bool CanActAsOtherUser() { return ::geteuid() == 0; }

bool AsOtherUser(const std::function<bool()>& deed) {
  const pid_t child = ::fork();
  if (child < 0) return false;
  if (child == 0) {
    if (::setgroups(0, nullptr) != 0 || ::setresgid(kOtherGroup, kOtherGroup, kOtherGroup) != 0 ||
        ::setresuid(kOtherUser, kOtherUser, kOtherUser) != 0) {
      ::_exit(90);
    }
    ::_exit(deed() ? 0 : 1);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string MakeSharedFolder(const std::string& parent, const std::string& name) {
  const std::string folder = parent + "/" + name;
  (void)::chmod(parent.c_str(), 0755);
  (void)::mkdir(folder.c_str(), 0777);
  (void)::chmod(folder.c_str(), 0777);
  return folder;
}

bool PlantLinkAsOtherUser(const std::string& target, const std::string& linkPath) {
  return AsOtherUser([&] { return ::symlink(target.c_str(), linkPath.c_str()) == 0; });
}

ScopedUmask::ScopedUmask(mode_t mask) : saved_(::umask(mask)) {}
ScopedUmask::~ScopedUmask() { ::umask(saved_); }

mode_t ModeOf(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : mode_t(-1);
}

}  // namespace velmora::testing
