// A mail server on loopback for the mail tests, run by Debian's python3:
// by default the SMTP sink of smtp_sink.py (aiosmtpd), which refuses
// recipients starting with "refuse" and keeps each message it receives; or
// another script of this folder, such as the POP3 stub.
#pragma once

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "tests/support/Files.h"

extern char** environ;

namespace velmora::testing {

namespace fs = std::filesystem;

inline constexpr const char* kPython = "/usr/bin/python3";

// The SMTP sink of smtp_sink.py on loopback, for the life of the object:
// it refuses recipients starting with "refuse" and keeps each message as
// <folder>/<n>.eml.
class SmtpSink {
 public:
  // script: a server of this folder that writes its port to <folder>/port.
  explicit SmtpSink(const std::string& folder, const std::string& script = "smtp_sink.py") : folder_(folder) {
    fs::create_directories(folder_);
    int fds[2];
    if (pipe(fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    std::string scriptPath = std::string(VELMORA_TEST_DATA) + "/../mailmerge/" + script;
    const char* argv[] = {kPython, scriptPath.c_str(), folder_.c_str(), nullptr};
    if (posix_spawn(&pid_, kPython, &actions, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    stdin_ = fds[1];
    // The server writes its port once it listens; it starts within seconds.
    for (int i = 0; i < 600 && pid_ > 0 && !fs::exists(folder_ + "/port"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    port_ = ReadWholeFile(folder_ + "/port");
  }
  ~SmtpSink() {
    if (stdin_ >= 0) close(stdin_);
    if (pid_ > 0) {
      int status = 0;
      for (int i = 0; i < 100 && waitpid(pid_, &status, WNOHANG) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      }
      if (waitpid(pid_, &status, WNOHANG) == 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, &status, 0);
      }
    }
  }
  bool ready() const { return !port_.empty(); }
  std::string server() const { return "127.0.0.1:" + port_; }
  std::string File(const std::string& name) const { return ReadWholeFile(folder_ + "/" + name); }
  std::string Message(int n) const { return ReadWholeFile(folder_ + "/" + std::to_string(n) + ".eml"); }
  size_t MessageCount() const {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder_)) n += e.path().extension() == ".eml";
    return n;
  }

 private:
  std::string folder_;
  pid_t pid_ = -1;
  int stdin_ = -1;
  std::string port_;
};

}  // namespace velmora::testing
