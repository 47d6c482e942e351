#include "tools/Interruption.h"

#include <signal.h>

#include <csignal>
#include <initializer_list>

namespace velmora::tool {

namespace {

volatile std::sig_atomic_t g_signal = 0;

void Remember(int signal) { g_signal = signal; }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = Remember;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked read or write returns EINTR
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);

  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, nullptr);
}

bool Interrupted() { return g_signal != 0; }

void EndByInterruptingSignal() {
  const int signal = g_signal;
  if (signal == 0) return;
  struct sigaction standard {};
  standard.sa_handler = SIG_DFL;
  sigemptyset(&standard.sa_mask);
  sigaction(signal, &standard, nullptr);
  raise(signal);
}

}  // namespace velmora::tool
