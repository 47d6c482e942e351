// Finding and starting the programs the mail merge hands work to
// (xdg-email, xdg-open, Debian's Python driving LibreOffice).
#pragma once

#include <spawn.h>

#include <string>
#include <string_view>

namespace velmora {

// The first executable file of that name in the folders of PATH
// (/usr/bin:/bin when PATH is not set); empty when there is none.
std::string FindProgramOnPath(std::string_view program);

// Spawn attributes for a child that starts with the usual signal handling,
// whatever this program changed of its own (no signal blocked; SIGPIPE,
// SIGINT, SIGTERM, SIGHUP and SIGCHLD at their defaults), plus the flags
// given: POSIX_SPAWN_SETSID for a session of its own, POSIX_SPAWN_SETPGROUP
// for a process group of its own.
class ChildAttributes {
 public:
  explicit ChildAttributes(short flags);
  ~ChildAttributes();
  ChildAttributes(const ChildAttributes&) = delete;
  ChildAttributes& operator=(const ChildAttributes&) = delete;

  const posix_spawnattr_t* get() const { return &attributes_; }

 private:
  posix_spawnattr_t attributes_;
};

}  // namespace velmora
