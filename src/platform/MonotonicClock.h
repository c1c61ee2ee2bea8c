// CLOCK_MONOTONIC in nanoseconds, and sleeping to an absolute time on it:
// the clock of the multimedia timer and of the audio outputs.
#pragma once

#include <time.h>

#include <cerrno>
#include <cstdint>

namespace mirt {

inline int64_t MonotonicNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

inline void SleepUntilNs(int64_t ns) {
  timespec ts{time_t(ns / 1000000000), long(ns % 1000000000)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

}  // namespace mirt
