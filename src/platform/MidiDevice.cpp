#include "platform/MidiDevice.h"

#include "platform/AlsaSeqMidiOut.h"
#include "platform/FluidSynthMidiOut.h"
#include "platform/MonotonicClock.h"
#include "platform/Platform.h"

namespace mirt {
namespace {

constexpr int64_t kMs = 1000000;

}  // namespace

std::unique_ptr<MidiOut> OpenMidiOut(const MidiOutOptions& options,
                                     std::function<uint64_t()> audioClock,
                                     std::function<bool()> outputReady) {
  if (options.midiOut.rfind("alsa", 0) == 0) {
    std::string dest = options.midiOut.size() > 5 ? options.midiOut.substr(5) : "";
    return std::make_unique<AlsaSeqMidiOut>(dest);
  }
  auto synth = std::make_unique<FluidSynthMidiOut>(options.soundFont, double(kAudioRate));
  synth->setClock(std::move(audioClock));
  if (outputReady) synth->loadInBackground(std::move(outputReady));
  return synth;
}

ThreadTimer::ThreadTimer() : worker_([this] { run(); }) {}

ThreadTimer::~ThreadTimer() {
  {
    std::lock_guard<std::mutex> l(mutex_);
    quit_ = true;
    for (Event& e : events_) e.id = 0;
  }
  changed_.notify_all();
  worker_.join();
}

uint32_t ThreadTimer::timeGetTime() { return uint32_t(MonotonicNs() / kMs); }

bool ThreadTimer::anyEvent() const {
  for (const Event& e : events_)
    if (e.id != 0) return true;
  return false;
}

uint32_t ThreadTimer::timeSetEvent(uint32_t delayMs, uint32_t, TimerCallback cb, uintptr_t user) {
  if (!cb) return 0;
  if (delayMs == 0) delayMs = 1;
  std::lock_guard<std::mutex> l(mutex_);
  if (quit_) return 0;
  Event* slot = nullptr;
  for (Event& e : events_)
    if (e.id == 0) {
      slot = &e;
      break;
    }
  if (!slot) return 0;  // every slot taken: the call fails, as out of timers
  uint32_t id = nextId_++;
  if (nextId_ == 0) nextId_ = 1;
  // A timer set by a callback counts from the time that firing was due, not
  // from when the thread got round to it: a sequencer restarting its time
  // base on every tempo change would otherwise add the wake-up delay to the
  // song each time.
  int64_t from = std::this_thread::get_id() == worker_.get_id() && runningId_ != 0
                     ? runningDeadline_
                     : MonotonicNs();
  *slot = Event{id, delayMs, from + int64_t(delayMs) * kMs, cb, user};
  changed_.notify_all();
  return id;
}

bool ThreadTimer::timeKillEvent(uint32_t id) {
  std::unique_lock<std::mutex> l(mutex_);
  bool found = false;
  for (Event& e : events_)
    if (id != 0 && e.id == id) {
      e.id = 0;
      found = true;
    }
  // The timer thread may kill the timer it is running; it cannot wait for
  // itself.
  if (std::this_thread::get_id() != worker_.get_id())
    changed_.wait(l, [&] { return runningId_ != id; });
  return found;
}

void ThreadTimer::run() {
  std::unique_lock<std::mutex> l(mutex_);
  while (!quit_) {
    if (!anyEvent()) {
      changed_.wait(l, [&] { return quit_ || anyEvent(); });
      continue;
    }
    int64_t now = MonotonicNs();
    int64_t next = now + kMs;  // wake at least every millisecond for new timers
    for (const Event& e : events_)
      if (e.id != 0) next = std::min(next, e.deadlineNs);
    if (next > now) {
      l.unlock();
      SleepUntilNs(next);
      l.lock();
      continue;
    }
    // Fire every due timer once, in id order; the set may change meanwhile.
    uint32_t after = 0;
    for (;;) {
      Event* due = nullptr;
      for (Event& e : events_)
        if (e.id > after && e.deadlineNs <= now && (!due || e.id < due->id)) due = &e;
      if (!due) break;
      Event e = *due;
      after = e.id;
      due->deadlineNs += int64_t(e.period) * kMs;
      // A timer that fell far behind does not burst.
      if (due->deadlineNs < now - 100 * kMs) due->deadlineNs = now;
      runningId_ = e.id;
      runningDeadline_ = e.deadlineNs;
      l.unlock();
      e.cb(e.id, 0, e.user, 0, 0);
      l.lock();
      runningId_ = 0;
      changed_.notify_all();
    }
  }
}

uint32_t ManualTimer::timeSetEvent(uint32_t delayMs, uint32_t, TimerCallback cb, uintptr_t user) {
  if (!cb) return 0;
  if (delayMs == 0) delayMs = 1;
  uint32_t id = nextId_++;
  events_[id] = Event{delayMs, now_ + delayMs, cb, user};
  return id;
}

bool ManualTimer::timeKillEvent(uint32_t id) { return events_.erase(id) > 0; }

void ManualTimer::advance(uint32_t ms) {
  for (uint32_t k = 0; k < ms; ++k) {
    now_ += 1;
    uint32_t after = 0;
    for (;;) {
      auto it = events_.upper_bound(after);
      while (it != events_.end() && it->second.deadline != now_) ++it;
      if (it == events_.end()) break;
      after = it->first;
      it->second.deadline += it->second.period;
      Event e = it->second;
      e.cb(after, 0, e.user, 0, 0);
    }
  }
}

}  // namespace mirt
