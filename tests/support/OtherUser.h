// Acting as another user of the machine, for tests of what one user can do
// to another through a shared folder: a forked child drops to the unprivileged
// uid and gid 65534 and does the deed. Only root can do so.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>

namespace velmora::testing {

inline constexpr uid_t kOtherUser = 65534;
inline constexpr gid_t kOtherGroup = 65534;

// True when this process may act as another user (it runs as root).
bool CanActAsOtherUser();

// Runs deed in a forked child as kOtherUser and kOtherGroup (real, effective
// and saved ids, no supplementary groups); true when it returned true.
bool AsOtherUser(const std::function<bool()>& deed);

// Makes a folder name inside parent that every user may write into (mode
// 0777, no sticky bit, as a shared folder often is), and lets every user
// pass through parent. Returns its path.
std::string MakeSharedFolder(const std::string& parent, const std::string& name = "shared");

// Plants a symbolic link at linkPath pointing to target, as kOtherUser.
bool PlantLinkAsOtherUser(const std::string& target, const std::string& linkPath);

// The permission bits of the file at path, not followed through a link;
// mode_t(-1) when there is nothing there.
mode_t ModeOf(const std::string& path);

// Sets the process's file-creation mask for the life of the object.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask);
  ~ScopedUmask();
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t saved_;
};

}  // namespace velmora::testing
