// MIDI output and the periodic multimedia timer, as the sequencer uses them.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace mirt {

class AudioSource;

class MidiOut {
 public:
  virtual ~MidiOut() = default;
  virtual bool open() = 0;
  virtual void shortMsg(uint32_t msg) = 0;  // status | d1 << 8 | d2 << 16
  virtual void longMsg(const uint8_t* data, size_t length) = 0;
  virtual void reset() = 0;
  virtual void close() = 0;
  // False while the output is still getting ready to sound after open()
  // (a sound font loading, the audio device opening): a song holds at its
  // start until then instead of losing its first notes. Any thread.
  virtual bool ready() { return true; }
  // A software synthesizer's samples, which the owner mixes into the audio
  // stream; null for an output that sounds by itself (a port, a device).
  virtual AudioSource* synthesizer() { return nullptr; }
};

// Which MIDI output the player uses (--soundfont, --midi-out).
struct MidiOutOptions {
  std::string soundFont;  // "" : the Debian GM sound font
  std::string midiOut;    // "" : FluidSynth; "alsa" or "alsa:CLIENT:PORT"
};

// The output the options choose: FluidSynth, whose messages are stamped
// with audioClock (the output frame at which a message sent now is heard),
// or an ALSA sequencer port. The sound font loads at the first open(): with
// outputReady on a thread of its own, the synthesizer being ready() when it
// has loaded and outputReady() says the audio output pulls it; without, in
// open() itself.
std::unique_ptr<MidiOut> OpenMidiOut(const MidiOutOptions& options,
                                     std::function<uint64_t()> audioClock,
                                     std::function<bool()> outputReady = nullptr);

// The bytes of a short message, status first, and how many of them count:
// program change and channel pressure carry one data byte, the others two.
struct ShortMsgBytes {
  explicit ShortMsgBytes(uint32_t msg)
      : b{uint8_t(msg), uint8_t(msg >> 8), uint8_t(msg >> 16)},
        n((b[0] & 0xF0) == 0xC0 || (b[0] & 0xF0) == 0xD0 ? 2 : 3) {}
  uint8_t b[3];
  size_t n;
};

// timeSetEvent / timeKillEvent semantics: a periodic callback every N ms on
// the timer's own thread, identified by a non-zero id.
using TimerCallback = void (*)(uint32_t id, uint32_t msg, uintptr_t user, uintptr_t dw1,
                               uintptr_t dw2);

class MultimediaTimer {
 public:
  struct Caps {
    uint32_t periodMin = 1, periodMax = 1000000;
  };
  virtual ~MultimediaTimer() = default;
  virtual Caps getDevCaps() { return Caps{}; }
  virtual void beginPeriod(uint32_t) {}
  virtual void endPeriod(uint32_t) {}
  // Returns the new timer's id, 0 on failure. Periodic only.
  virtual uint32_t timeSetEvent(uint32_t delayMs, uint32_t resolution, TimerCallback cb,
                                uintptr_t user) = 0;
  // After this returns, the timer's callback does not start again. Called
  // from another thread, it also waits for a running callback of that timer.
  virtual bool timeKillEvent(uint32_t id) = 0;
  virtual uint32_t timeGetTime() = 0;  // milliseconds, wraps
};

// The real timer: one worker thread with absolute CLOCK_MONOTONIC deadlines.
// Timers live in a fixed table, so that setting one from a callback (a
// sequencer restarting its time base) allocates nothing.
class ThreadTimer final : public MultimediaTimer {
 public:
  ThreadTimer();
  ~ThreadTimer() override;
  uint32_t timeSetEvent(uint32_t delayMs, uint32_t resolution, TimerCallback cb,
                        uintptr_t user) override;
  bool timeKillEvent(uint32_t id) override;
  uint32_t timeGetTime() override;

 private:
  struct Event {
    uint32_t id = 0;  // 0: a free slot
    uint32_t period = 0;
    int64_t deadlineNs = 0;
    TimerCallback cb = nullptr;
    uintptr_t user = 0;
  };
  void run();
  bool anyEvent() const;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Event, 16> events_;
  uint32_t nextId_ = 1;
  uint32_t runningId_ = 0;
  int64_t runningDeadline_ = 0;  // when the running firing was due
  bool quit_ = false;
  std::thread worker_;
};

// A virtual timer for tests: time moves only in advance(), which fires every
// due callback once per virtual millisecond, in id order, on the caller's
// thread.
class ManualTimer final : public MultimediaTimer {
 public:
  uint32_t timeSetEvent(uint32_t delayMs, uint32_t resolution, TimerCallback cb,
                        uintptr_t user) override;
  bool timeKillEvent(uint32_t id) override;
  uint32_t timeGetTime() override { return now_; }
  void advance(uint32_t ms);
  size_t activeCount() const { return events_.size(); }

 private:
  struct Event {
    uint32_t period;
    uint32_t deadline;
    TimerCallback cb;
    uintptr_t user;
  };
  std::map<uint32_t, Event> events_;
  uint32_t nextId_ = 1;
  uint32_t now_ = 0;
};

}  // namespace mirt
