#include "addressbook/mailmerge/ChildProcess.h"

#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace velmora {

std::string FindProgramOnPath(std::string_view program) {
  const char* path = std::getenv("PATH");
  const std::string folders = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t colon = folders.find(':', start);
    if (colon == std::string::npos) colon = folders.size();
    const std::string folder = folders.substr(start, colon - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/" + std::string(program);
      if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    start = colon + 1;
  }
  return {};
}

ChildAttributes::ChildAttributes(short flags) {
  posix_spawnattr_init(&attributes_);
  sigset_t none, defaults;
  sigemptyset(&none);
  sigemptyset(&defaults);
  for (int sig : {SIGPIPE, SIGINT, SIGTERM, SIGHUP, SIGCHLD}) sigaddset(&defaults, sig);
  posix_spawnattr_setsigmask(&attributes_, &none);
  posix_spawnattr_setsigdefault(&attributes_, &defaults);
  if (flags & POSIX_SPAWN_SETPGROUP) posix_spawnattr_setpgroup(&attributes_, 0);
  posix_spawnattr_setflags(&attributes_, short(flags | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));
}

ChildAttributes::~ChildAttributes() { posix_spawnattr_destroy(&attributes_); }

}  // namespace velmora
