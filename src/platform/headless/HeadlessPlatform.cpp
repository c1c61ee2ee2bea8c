#include "platform/headless/HeadlessPlatform.h"

#include <sched.h>

#include <thread>

namespace mirt {

uint32_t HeadlessPlatform::tickCount() {
  if (virtual_) return now_;
  auto d = std::chrono::steady_clock::now() - start_;
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(d).count());
}

void HeadlessPlatform::checkLimit() {
  if (limit_ && tickCount() >= *limit_) throw TimeLimitReached();
}

void HeadlessPlatform::advanceTo(uint32_t to) {
  if (limit_ && to > *limit_) to = *limit_;
  if (virtual_) {
    if (static_cast<int32_t>(to - now_) > 0) now_ = to;
  } else {
    // Sleep to the moment the tick counter reaches `to`, not in steps of a
    // whole millisecond, so the wait ends as the tick comes. Nothing can
    // press the button during it: there is no other thread.
    using namespace std::chrono;
    const int64_t elapsed = duration_cast<milliseconds>(steady_clock::now() - start_).count();
    const int32_t left = static_cast<int32_t>(to - static_cast<uint32_t>(elapsed));
    if (left > 0) {
      const auto deadline = start_ + milliseconds(elapsed + left);
      for (auto now = steady_clock::now(); now < deadline; now = steady_clock::now())
        std::this_thread::sleep_for(deadline - now);
    }
  }
  checkLimit();
}

void HeadlessPlatform::yieldCpu() {
  // A story that loops without ever waiting still lets virtual time pass,
  // slowly, so a time limit ends it.
  if (virtual_) {
    if (++yields_ % 100 == 0) ++now_;
  } else {
    sched_yield();
  }
  checkLimit();
}

bool HeadlessPlatform::sleepUnlessLeftDown(uint32_t ms) {
  if (leftDown_) return false;
  advanceTo(tickCount() + ms);
  return true;
}

void HeadlessPlatform::setTimer2(bool running) {
  if (running && !timerOn_) nextTick_ = tickCount() + 100;
  timerOn_ = running;
}

bool HeadlessPlatform::question(const std::string&, const std::string&) {
  if (answers.empty()) return true;
  bool a = answers.front();
  answers.pop_front();
  return a;
}

std::optional<std::string> HeadlessPlatform::inputDialog(const std::string&, const std::string&,
                                                         const std::string& initial) {
  if (inputs.empty()) return initial;
  auto a = inputs.front();
  inputs.pop_front();
  return a;
}

std::optional<std::string> HeadlessPlatform::saveFileDialog(const std::string&, const std::string&) {
  if (saveFiles.empty()) return std::nullopt;
  std::string a = saveFiles.front();
  saveFiles.pop_front();
  if (a.empty()) return std::nullopt;
  return a;
}

}  // namespace mirt
