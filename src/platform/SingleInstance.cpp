#include "platform/SingleInstance.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace mirt {

namespace {

std::string LockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime ? std::string(runtime) + "/Mirt.lock"
                             : "/tmp/Mirt-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

bool AcquireSingleInstanceLock() {
  const std::string path = LockPath();
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;  // no lock file possible: do not refuse to play
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  // The holder's id, for a second start to find it.
  const std::string pid = std::to_string(getpid()) + "\n";
  if (::ftruncate(fd, 0) == 0) (void)!::pwrite(fd, pid.data(), pid.size(), 0);
  return true;  // held (fd kept open) for the life of the process
}

bool AskRunningInstanceToShow() {
  int fd = ::open(LockPath().c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[32] = {};
  const ssize_t n = ::read(fd, buf, sizeof buf - 1);
  ::close(fd);
  if (n <= 0) return false;
  char* end = nullptr;
  const long pid = std::strtol(buf, &end, 10);
  if (pid <= 0 || end == buf || *end != '\n') return false;
  return ::kill(pid_t(pid), SIGUSR1) == 0;
}

}  // namespace mirt
