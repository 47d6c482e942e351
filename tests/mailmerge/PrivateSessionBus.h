// A D-Bus session bus of the test's own (Debian's dbus-daemon on a socket in
// a temporary folder, with no services to start), and on it, when asked, a
// real secret service: gnome-keyring-daemon with a login keyring made and
// unlocked for the test. Both end with the object.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/Files.h"

extern char** environ;

namespace velmora::testing {

inline constexpr const char* kDbusDaemon = "/usr/bin/dbus-daemon";
inline constexpr const char* kGnomeKeyringDaemon = "/usr/bin/gnome-keyring-daemon";

class PrivateSessionBus {
 public:
  // removeFolder: the folder is removed at the end too.
  explicit PrivateSessionBus(const std::string& folder, bool removeFolder = false)
      : folder_(folder), removeFolder_(removeFolder) {
    namespace fs = std::filesystem;
    fs::create_directories(folder_ + "/services");
    fs::create_directories(folder_ + "/data");
    fs::create_directories(folder_ + "/run");
    ::chmod((folder_ + "/run").c_str(), 0700);
    std::string config = folder_ + "/bus.conf";
    WriteWholeFile(config,
                   "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                   " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                   "<busconfig>\n"
                   "  <type>session</type>\n"
                   "  <listen>unix:path=" + folder_ + "/bus</listen>\n"
                   "  <servicedir>" + folder_ + "/services</servicedir>\n"
                   "  <policy context=\"default\">\n"
                   "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                   "    <allow eavesdrop=\"true\"/>\n"
                   "    <allow own=\"*\"/>\n"
                   "  </policy>\n"
                   "</busconfig>\n");
    bus_ = Spawn({kDbusDaemon, "--config-file=" + config, "--nofork", "--nopidfile"}, -1);
    for (int i = 0; i < 100 && bus_ > 0 && !fs::exists(folder_ + "/bus"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  ~PrivateSessionBus() {
    if (keyring_ > 0) ::kill(keyring_, SIGCONT);
    End(keyring_);
    End(bus_);
    std::error_code ignored;
    if (removeFolder_) std::filesystem::remove_all(folder_, ignored);
  }
  PrivateSessionBus(const PrivateSessionBus&) = delete;
  PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

  bool running() const { return bus_ > 0 && std::filesystem::exists(folder_ + "/bus"); }
  std::string address() const { return "unix:path=" + folder_ + "/bus"; }
  pid_t keyring() const { return keyring_; }

  // Starts gnome-keyring-daemon's secret service on this bus, its login
  // keyring made and unlocked with a password on its standard input. The
  // caller waits until the service's name is owned.
  bool StartKeyring() {
    int fds[2];
    // Close-on-exec, so that the daemon holds no write end and sees the end
    // of the password.
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    keyring_ = Spawn({kGnomeKeyringDaemon, "--foreground", "--unlock", "--components=secrets"}, fds[0]);
    ::close(fds[0]);
    const char password[] = "velmora-test";
    bool written = ::write(fds[1], password, sizeof password - 1) == ssize_t(sizeof password - 1);
    ::close(fds[1]);
    return keyring_ > 0 && written;
  }

 private:
  // Runs a program with this bus and the test folder as its desktop; input
  // from the descriptor, or from /dev/null.
  pid_t Spawn(const std::vector<std::string>& args, int input) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      std::string entry = *e;
      for (const char* name : {"DBUS_SESSION_BUS_ADDRESS=", "XDG_DATA_HOME=", "XDG_RUNTIME_DIR=", "HOME="}) {
        if (entry.rfind(name, 0) == 0) entry.clear();
      }
      if (!entry.empty()) env.push_back(entry);
    }
    env.push_back("DBUS_SESSION_BUS_ADDRESS=" + address());
    env.push_back("XDG_DATA_HOME=" + folder_ + "/data");
    env.push_back("XDG_RUNTIME_DIR=" + folder_ + "/run");
    env.push_back("HOME=" + folder_);
    std::vector<char*> argv, envp;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    if (input >= 0) {
      posix_spawn_file_actions_adddup2(&files, input, 0);
    } else {
      posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    if (posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&files);
    return pid;
  }

  static void End(pid_t pid) {
    if (pid <= 0) return;
    ::kill(pid, SIGTERM);
    int status = 0;
    for (int i = 0; i < 100; ++i) {
      if (::waitpid(pid, &status, WNOHANG) == pid) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }

  std::string folder_;
  bool removeFolder_ = false;
  pid_t bus_ = -1;
  pid_t keyring_ = -1;
};

}  // namespace velmora::testing
