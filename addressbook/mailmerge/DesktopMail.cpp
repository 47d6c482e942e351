#include "addressbook/mailmerge/DesktopMail.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "addressbook/mailmerge/ChildProcess.h"
#include "addressbook/mailmerge/InternetMail.h"

extern char** environ;

namespace velmora {

std::string FindXdgEmail() { return FindProgramOnPath(kXdgEmail); }

std::vector<std::string> XdgEmailArguments(const std::string& to, const std::string& subject,
                                           const std::string& body, const std::vector<std::string>& attachments) {
  std::vector<std::string> args{"--utf8", "--subject", OneLineSubject(subject), "--body", body};
  for (const std::string& path : attachments) {
    args.push_back("--attach");
    args.push_back(path);
  }
  args.push_back(to);
  return args;
}

int SendWithDesktopClient(const std::string& program, const std::string& to, const std::string& subject,
                          const std::string& body, const std::vector<std::string>& attachments) {
  // An address that could pass for an option or add header lines is refused.
  if (!UsableMailAddress(to) || to.front() == '-') return kMailBadAddress;
  if (program.empty()) return kMailNoLibrary;
  std::vector<std::string> args = XdgEmailArguments(to, subject, body, attachments);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return kMailNoLibrary;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return kMailSmtpFailed;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? kMailSent : kMailSmtpFailed;
}

}  // namespace velmora
