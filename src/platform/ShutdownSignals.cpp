#include "platform/ShutdownSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace mirt {
namespace {

int g_pipe[2] = {-1, -1};
std::atomic<int> g_pending{0};
std::atomic<bool> g_ended{false};

void OnSignal(int sig) {
  const int saved = errno;
  const int bit = sig == SIGUSR1 ? kSignalShow : kSignalEnd;
  if (bit == kSignalEnd) g_ended.store(true);
  g_pending.fetch_or(bit);
  const char byte = 1;
  if (g_pipe[1] >= 0) (void)!write(g_pipe[1], &byte, 1);
  errno = saved;
}

}  // namespace

void InstallShutdownSignals() {
  if (g_pipe[0] >= 0) return;
  if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_pipe[0] = g_pipe[1] = -1;
  struct sigaction sa = {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaction(sig, &sa, nullptr);
}

int SignalPipeFd() { return g_pipe[0]; }

int TakeSignalRequests() {
  char buf[64];
  if (g_pipe[0] >= 0)
    while (read(g_pipe[0], buf, sizeof buf) > 0) {
    }
  return g_pending.exchange(0);
}

bool EndSignalled() { return g_ended.load(); }

}  // namespace mirt
