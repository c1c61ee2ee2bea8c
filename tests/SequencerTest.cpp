#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "RecordingMidiOut.h"
#include "platform/FluidSynthMidiOut.h"
#include "platform/MidiDevice.h"
#include "sound/CDxMusic.h"
#include "sound/SoundMixer.h"

// Allocations made on a thread marked as the timer thread while counting.
namespace {
std::atomic<bool> gCountAllocations{false};
std::atomic<long> gTimerThreadAllocations{0};
thread_local bool tTimerThread = false;
}  // namespace

// Every form of new and delete that pairs malloc with free is replaced, so
// that memory from one form is never given back through another.
namespace {
void* CountedAlloc(std::size_t n) noexcept {
  if (tTimerThread && gCountAllocations.load(std::memory_order_relaxed)) ++gTimerThreadAllocations;
  return std::malloc(n ? n : 1);
}
}  // namespace

void* operator new(std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) {
  if (void* p = CountedAlloc(n)) return p;
  throw std::bad_alloc();
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return CountedAlloc(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace mirt {
namespace {

using Bytes = std::vector<uint8_t>;
using Rec = RecordingMidiOut::Record;

Bytes smf1(const Bytes& track, uint16_t division) {
  Bytes b = {'M',
             'T',
             'h',
             'd',
             0,
             0,
             0,
             6,
             0,
             0,
             0,
             1,
             uint8_t(division >> 8),
             uint8_t(division),
             'M',
             'T',
             'r',
             'k',
             0,
             0,
             uint8_t(track.size() >> 8),
             uint8_t(track.size())};
  b.insert(b.end(), track.begin(), track.end());
  return b;
}

Bytes tempo(uint8_t delta, uint32_t t) {
  return {delta, 0xFF, 0x51, 0x03, uint8_t(t >> 16), uint8_t(t >> 8), uint8_t(t)};
}
Bytes cat(std::initializer_list<Bytes> parts) {
  Bytes r;
  for (const Bytes& p : parts) r.insert(r.end(), p.begin(), p.end());
  return r;
}

struct Rig {
  ManualTimer timer;
  RecordingMidiOut out{&timer};
  CDxMusic music{out, timer};
  void load(const Bytes& b) { music.loadImage(b.data(), b.size()); }
  std::vector<Rec> shorts() {
    std::vector<Rec> r;
    for (Rec& x : out.take())
      if (x.kind == RecordingMidiOut::kShort) r.push_back(x);
    return r;
  }
};

// Loads the one-track song of the given division and plays it looping.
void playLooping(CDxMusic& music, const Bytes& track, uint16_t division) {
  Bytes song = smf1(track, division);
  music.loadImage(song.data(), song.size());
  music.setLoop(1);
  music.play();
}

uint32_t cc(int c, int n, int v) { return uint32_t(0xB0 | c) | n << 8 | v << 16; }

// Virtual time of each note-on (0x9n) sent.
std::vector<uint32_t> noteOnTimes(const std::vector<Rec>& log) {
  std::vector<uint32_t> t;
  for (const Rec& r : log)
    if (r.kind == RecordingMidiOut::kShort && (r.msg & 0xF0) == 0x90) t.push_back(r.time);
  return t;
}

TEST(Sequencer, NoteOnTimesFollowTempoChanges) {
  // Division 100 at the default 400000 us: a tick every 4 ms, the first at
  // ms 4. The tempo entry's tick counts as the first tick of the new base.
  Bytes track = cat({{0x00, 0x90, 0x3C, 0x40},  // tick 0      -> ms 4
                     {0x0A, 0x91, 0x3C, 0x40},  // tick 10     -> ms 44
                     tempo(10, 1000000),        // tick 20 at ms 84: 0.1 tick/ms
                     {0x05, 0x92, 0x3C, 0x40},  // 5 on        -> 84 + 60
                     tempo(5, 100000),          // 10 on at 84 + 110: 1 tick/ms
                     {0x14, 0x93, 0x3C, 0x40},  // 20 on       -> 194 + 21
                     tempo(0, 1000),            // at 215: 100 ticks/ms, 10 a ms
                     {0x32, 0x94, 0x3C, 0x40},  // 50 on       -> 215 + 5
                     {0x00, 0xFF, 0x2F, 0x00}});
  Rig r;
  r.music.setLoop(0);
  r.load(smf1(track, 100));
  ASSERT_EQ(r.music.play(), 1);
  r.timer.advance(300);
  std::vector<uint32_t> want = {4, 44, 144, 215, 220};
  EXPECT_EQ(noteOnTimes(r.out.take()), want);
}

TEST(Sequencer, DefaultTempoAndTickTarget) {
  {
    // No tempo event: 150 quarter notes a minute, so 480 ticks take 400 ms;
    // the first entry sounds on the first tick although its delta is 480.
    Rig r;
    r.music.setLoop(0);
    r.load(smf1(
        {0x83, 0x60, 0x90, 0x3C, 0x40, 0x83, 0x60, 0x90, 0x3E, 0x40, 0x00, 0xFF, 0x2F, 0x00}, 480));
    r.music.play();
    r.timer.advance(500);
    std::vector<uint32_t> want = {1, 401};
    EXPECT_EQ(noteOnTimes(r.out.take()), want);
  }
  {
    // Division 480, tempo 500000: 1000 firings after the tempo entry's
    // restart give 960 ticks.
    Rig r;
    r.load(smf1(cat({tempo(0, 500000), {0xBF, 0x7F, 0x90, 0x3E, 0x40}}), 480));
    r.music.play();
    r.timer.advance(1);  // the tempo entry goes out on the first tick
    EXPECT_EQ(r.music.tempo(), 500000u);
    r.timer.advance(1000);
    EXPECT_EQ(r.music.targetTicks(), 960u);
  }
}

TEST(Sequencer, ControllerShadowAndLoopRestoresChannels) {
  Bytes track = {0x00, 0xC3, 0x05, 0x00, 0xB3, 0x07, 0x64, 0x00, 0xB3, 0x0A, 0x20, 0x00,
                 0xB3, 0x00, 0x02, 0x00, 0xB3, 0x5B, 0x11, 0x00, 0xB3, 0x5D, 0x22, 0x00,
                 0x93, 0x3C, 0x40, 0x0A, 0x83, 0x3C, 0x00, 0x00, 0xFF, 0x2F, 0x00};
  Rig r;
  r.load(smf1(track, 1000));  // 2.5 ticks a ms
  r.music.play();
  r.timer.advance(4);
  EXPECT_EQ(r.music.channel(3).volume, 100);
  EXPECT_EQ(r.music.channel(3).volumeSent, 100);
  EXPECT_EQ(r.music.channel(3).notes[0x3C >> 3], 1 << (0x3C & 7));
  r.timer.advance(10);
  std::vector<Rec> log = r.out.take();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0].kind, RecordingMidiOut::kOpen);
  for (const Rec& x : log) {
    EXPECT_NE(x.kind, RecordingMidiOut::kReset);
    EXPECT_NE(x.kind, RecordingMidiOut::kClose);
  }
  // Find the loop point: right after the note-off, 96 restore messages.
  size_t off = 0;
  while (off < log.size() && log[off].msg != 0x003C83) ++off;
  ASSERT_LT(off + 96 + 7, log.size());
  std::vector<uint32_t> restore;
  for (size_t k = off + 1; k <= off + 96; ++k) restore.push_back(log[k].msg);
  std::vector<uint32_t> want;
  for (int c = 0; c < 16; ++c) want.push_back(uint32_t(0xC0 | c) | (c == 3 ? 5 : 0) << 8);
  for (int c = 0; c < 16; ++c) want.push_back(cc(c, 0, c == 3 ? 2 : 0));
  for (int c = 0; c < 16; ++c) want.push_back(cc(c, 10, c == 3 ? 0x20 : 0));
  for (int c = 0; c < 16; ++c) want.push_back(cc(c, 91, c == 3 ? 0x11 : 0));
  for (int c = 0; c < 16; ++c) want.push_back(cc(c, 93, c == 3 ? 0x22 : 0));
  for (int c = 0; c < 16; ++c) want.push_back(cc(c, 7, c == 3 ? 100 : 0));
  EXPECT_EQ(restore, want);
  EXPECT_EQ(log[off + 97].msg, 0x0005C3u);  // the song again from its first entry
}

TEST(Sequencer, PlayOnceStopsItselfInOrder) {
  Rig r;
  r.music.setLoop(0);
  r.load(smf1({0x00, 0xB0, 0x07, 0x50, 0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00}, 480));
  r.music.play();
  r.timer.advance(20);
  std::vector<Rec> log = r.out.take();
  ASSERT_EQ(log.size(), 1u + 2 + 16 + 2);
  EXPECT_EQ(log[1].msg, cc(0, 7, 0x50));
  for (int c = 0; c < 16; ++c) EXPECT_EQ(log[3 + c].msg, cc(c, 7, 0));
  EXPECT_EQ(log[19].kind, RecordingMidiOut::kReset);
  EXPECT_EQ(log[20].kind, RecordingMidiOut::kClose);
  EXPECT_EQ(r.timer.activeCount(), 0u);
  EXPECT_EQ(r.music.channel(0).notes[0x3C >> 3], 0);
  EXPECT_EQ(r.music.stop(), 1);  // already stopped: the closed device gets nothing
  EXPECT_TRUE(r.out.take().empty());
}

TEST(Sequencer, StopPlayAgainAndUnload) {
  Rig r;
  EXPECT_EQ(r.music.play(), 0);
  EXPECT_EQ(r.music.unload(), 0);
  EXPECT_EQ(r.music.stop(), 1);
  EXPECT_TRUE(r.out.take().empty());

  r.load(smf1({0x00, 0x90, 0x3C, 0x40, 0x00, 0xF0, 0x02, 0x41, 0xF7, 0x60, 0x80, 0x3C, 0x00}, 480));
  r.music.play();
  r.timer.advance(10);
  std::vector<Rec> first = r.out.take();
  ASSERT_EQ(first.size(), 3u);
  EXPECT_EQ(first[2].kind, RecordingMidiOut::kLong);
  EXPECT_EQ(first[2].data, (Bytes{0xF0, 0x41, 0xF7}));

  r.music.play();  // stops the first playback, then starts from the top
  r.timer.advance(1);
  std::vector<Rec> again = r.out.take();
  ASSERT_EQ(again.size(), 16u + 2 + 1 + 2);
  EXPECT_EQ(again[16].kind, RecordingMidiOut::kReset);
  EXPECT_EQ(again[17].kind, RecordingMidiOut::kClose);
  EXPECT_EQ(again[18].kind, RecordingMidiOut::kOpen);
  EXPECT_EQ(again[19].msg, 0x403C90u);
  EXPECT_EQ(r.timer.activeCount(), 1u);

  EXPECT_EQ(r.music.unload(), 1);
  EXPECT_EQ(r.timer.activeCount(), 0u);
  EXPECT_FALSE(r.music.song().hasSong());
  r.timer.advance(100);
  std::vector<Rec> tail = r.out.take();
  EXPECT_EQ(tail.size(), 16u + 2);  // the stop inside unload, then silence
}

// A timer fired by hand. When a firing kills its own timer (a loop restart
// or a tempo entry restarting the time base), onKillInFiring runs first:
// the moment where a window-thread stop can overtake a tick body.
class HandTimer final : public MultimediaTimer {
 public:
  uint32_t timeSetEvent(uint32_t, uint32_t, TimerCallback cb, uintptr_t user) override {
    std::lock_guard<std::mutex> l(mutex_);
    events_[next_] = {cb, user};
    return next_++;
  }
  bool timeKillEvent(uint32_t id) override {
    if (firing_ == std::this_thread::get_id() && onKillInFiring) {
      auto hook = std::move(onKillInFiring);
      onKillInFiring = nullptr;
      hook();
    }
    std::lock_guard<std::mutex> l(mutex_);
    return events_.erase(id) > 0;
  }
  uint32_t timeGetTime() override { return 0; }
  // Fires every timer once, on the calling thread.
  void fire() {
    std::map<uint32_t, std::pair<TimerCallback, uintptr_t>> now;
    {
      std::lock_guard<std::mutex> l(mutex_);
      now = events_;
    }
    firing_ = std::this_thread::get_id();
    for (auto& [id, e] : now) e.first(id, 0, e.second, 0, 0);
    firing_ = std::thread::id();
  }
  size_t active() {
    std::lock_guard<std::mutex> l(mutex_);
    return events_.size();
  }
  std::function<void()> onKillInFiring;

 private:
  std::mutex mutex_;
  std::map<uint32_t, std::pair<TimerCallback, uintptr_t>> events_;
  uint32_t next_ = 1;
  std::atomic<std::thread::id> firing_{};
};

TEST(Sequencer, StopOvertakingATickBodyStaysStopped) {
  // Division 100 at 400000 us: a tick every 4 firings. A window-thread stop
  // begins while the tick body is at the loop point (a one-note song) or at
  // a tempo entry; once stop returns, no timer may run and the sequencer
  // must stay stopped.
  for (const Bytes& track : {Bytes{0x00, 0x90, 0x3C, 0x40, 0x00, 0xFF, 0x2F, 0x00},
                             cat({tempo(0, 500000), {0x64, 0x90, 0x3C, 0x40}})}) {
    HandTimer timer;
    RecordingMidiOut out;
    CDxMusic music(out, timer);
    playLooping(music, track, 100);
    std::thread window;
    timer.onKillInFiring = [&] {
      window = std::thread([&] { music.stop(); });
      while (!music.isStopped()) std::this_thread::yield();
    };
    for (int k = 0; k < 6 && !window.joinable(); ++k) timer.fire();
    ASSERT_TRUE(window.joinable());
    window.join();
    EXPECT_TRUE(music.isStopped());
    EXPECT_EQ(timer.active(), 0u);
    out.take();
    timer.fire();
    EXPECT_TRUE(out.take().empty());
  }
}

// Counts what it is sent and marks the thread that sends it.
class CountingMidiOut final : public MidiOut {
 public:
  bool open() override { return true; }
  void shortMsg(uint32_t msg) override {
    tTimerThread = true;
    ++shorts;
    if ((msg & 0xFF) == 0xCF) ++restores;  // only the loop restart sends it
  }
  void longMsg(const uint8_t*, size_t) override {
    tTimerThread = true;
    ++longs;
  }
  void reset() override {}
  void close() override {}
  std::atomic<long> shorts{0}, longs{0}, restores{0};
};

TEST(Sequencer, TimerThreadAllocatesNothingWhilePlaying) {
  // Division 960, a tempo change every 48 ticks, a SysEx message, looping:
  // every tempo entry and every loop restart sets a new timer from inside
  // the callback.
  Bytes track = {0x00, 0xF0, 0x03, 0x7E, 0x00, 0xF7};
  for (int k = 0; k < 8; ++k) {
    Bytes t = tempo(0, k % 2 ? 300000 : 400000);
    track.insert(track.end(), t.begin(), t.end());
    track.insert(track.end(), {0x00, 0x90, 0x3C, 0x40, 0x30, 0x80, 0x3C, 0x00});
  }
  track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
  ThreadTimer timer;
  CountingMidiOut out;
  CDxMusic music(out, timer);
  playLooping(music, track, 960);
  gTimerThreadAllocations = 0;
  gCountAllocations = true;
  for (int k = 0; k < 400 && out.restores < 2; ++k)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  gCountAllocations = false;
  music.stop();
  EXPECT_GE(out.restores.load(), 2);
  EXPECT_GE(out.longs.load(), 2);
  EXPECT_EQ(gTimerThreadAllocations.load(), 0);
}

TEST(MidiSynth, MessagesAfterTheFirstSysExAllocateNothing) {
  // What the timer thread does when it sends to the synthesizer.
  FluidSynthMidiOut synth;
  if (!synth.open()) GTEST_SKIP() << "no sound font";
  const uint8_t gsReset[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
  std::vector<float> out(2 * 64);
  synth.longMsg(gsReset, sizeof gsReset);  // the first makes its buffer
  synth.render(out.data(), 64, 0);
  gTimerThreadAllocations = 0;
  for (uint64_t block = 1; block <= 20; ++block) {
    tTimerThread = true;
    gCountAllocations = true;
    synth.longMsg(gsReset, sizeof gsReset);
    synth.shortMsg(0x403C90);
    synth.shortMsg(0x003C80);
    gCountAllocations = false;
    tTimerThread = false;
    synth.render(out.data(), 64, block * 64);
  }
  EXPECT_EQ(gTimerThreadAllocations.load(), 0);
}

// A mono 16-bit WAVE file of a 700 Hz tone.
Bytes Wave16(uint32_t rate, uint32_t frames) {
  auto le = [](Bytes& b, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(uint8_t(v >> (8 * i)));
  };
  Bytes b = {'R', 'I', 'F', 'F'};
  le(b, 36 + frames * 2, 4);
  b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  le(b, 16, 4), le(b, 1, 2), le(b, 1, 2), le(b, rate, 4), le(b, rate * 2, 4), le(b, 2, 2),
      le(b, 16, 2);
  b.insert(b.end(), {'d', 'a', 't', 'a'});
  le(b, frames * 2, 4);
  for (uint32_t i = 0; i < frames; ++i)
    le(b, uint32_t(int16_t(12000 * std::sin(i * 700.0 * 6.2832 / rate))), 2);
  return b;
}

TEST(SoundMixer, RenderingResampledSoundsAllocatesNothing) {
  // What the audio thread does: a looping 22050 Hz WAVE sound that rewinds
  // every 0.1 s, and a CD play of an 8000 Hz track that ends, then a 44100
  // Hz one, all resampled block by block.
  char dir[] = "/tmp/mirt-mix-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  const std::string t1 = std::string(dir) + "/track01.wav", t2 = std::string(dir) + "/track02.wav";
  for (auto [path, rate] : {std::pair{t1, 8000u}, std::pair{t2, 44100u}}) {
    Bytes w = Wave16(rate, rate);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(w.data(), 1, w.size(), f);
    std::fclose(f);
  }
  SoundMixer mixer;
  ASSERT_TRUE(mixer.playWave(std::make_shared<const Bytes>(Wave16(22050, 2205)), true));
  mixer.playCd({{1, t1}, {2, t2}});
  std::remove(t1.c_str()), std::remove(t2.c_str()), rmdir(dir);  // both are open already
  std::vector<float> out(2 * 512);
  gTimerThreadAllocations = 0;
  tTimerThread = true;
  gCountAllocations = true;
  for (uint64_t block = 0; block < 150; ++block) mixer.renderAudio(out.data(), 512, block * 512);
  gCountAllocations = false;
  tTimerThread = false;
  EXPECT_EQ(mixer.cdCurrentTrack(), 2);  // 1.7 s: past the first track
  EXPECT_TRUE(mixer.wavePlaying());
  EXPECT_EQ(gTimerThreadAllocations.load(), 0);
}

TEST(Sequencer, MissingFileLeavesNoSong) {
  Rig r;
  r.load(smf1({0x00, 0x90, 0x3C, 0x40}, 480));
  ASSERT_TRUE(r.music.song().hasSong());
  r.music.setArchiveName("/nonexistent/midi.arc");
  EXPECT_EQ(r.music.load("/nonexistent/song.mid"), 1);
  EXPECT_FALSE(r.music.song().hasSong());
  EXPECT_EQ(r.music.play(), 0);
}

}  // namespace
}  // namespace mirt
