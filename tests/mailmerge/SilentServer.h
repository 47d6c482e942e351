// A mail server that takes connections and never says a word: a listening
// socket on loopback whose connections the system completes while nobody
// reads or writes them. A client that waits for the greeting waits until
// its own limits end the wait.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

namespace velmora::testing {

class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) return;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 16) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      ::close(fd_);
      fd_ = -1;
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() {
    if (fd_ >= 0) ::close(fd_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  bool ready() const { return fd_ >= 0; }
  // "127.0.0.1:PORT", as the settings name a mail server.
  std::string server() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

}  // namespace velmora::testing
