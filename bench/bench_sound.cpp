// Music timing and cost: our sequencer (CDxMusic on the 1 ms timer, the
// synthesizer applying each message at its sample offset) against
// FluidSynth's own file player (fluid_player) on the same song, same synth
// and same sound font, in the same run.
//
//   SendTiming/*     real time: when each note-on leaves the sequencer,
//                    against its ideal time from the tempo map
//   RenderOnsets/*/B rendered audio at block size B: detected note onsets
//                    against the ideal, in output time
//   Cpu/*            real time: CPU of the timer thread and the mixer (or
//                    fluid_player's thread and rendering) while music plays,
//                    in percent of one core
#include <benchmark/benchmark.h>
#include <fluidsynth.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "../tests/RecordingMidiOut.h"
#include "platform/AudioOutput.h"
#include "platform/FluidSynthMidiOut.h"
#include "platform/MidiDevice.h"
#include "platform/MonotonicClock.h"
#include "sound/CDxMusic.h"
#include "sound/SoundMixer.h"

using namespace mirt;

namespace {

constexpr int kRate = 44100;
constexpr int kDivision = 480;
constexpr int kStep = 120;  // sixteenth notes

int64_t NowNs() { return MonotonicNs(); }
int64_t CpuNs() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct TempoChange {
  uint32_t tick, tempo;
};
// Four tempos, changed every 16 notes, 64 notes in all (about 7 s).
const std::vector<TempoChange> kTempos = {
    {0, 500000}, {16 * kStep, 400000}, {32 * kStep, 600000}, {48 * kStep, 352941}};
constexpr int kNotes = 64;

void Vlq(std::vector<uint8_t>& t, uint32_t v) {
  uint8_t b[5];
  int n = 0;
  do {
    b[n++] = v & 0x7F;
    v >>= 7;
  } while (v);
  while (n--) t.push_back(uint8_t(b[n] | (n ? 0x80 : 0)));
}

// Format 0: a wood block on every sixteenth, alternating between channel 1
// (hard left) and channel 2 (hard right) so that each onset is found on its
// own side, clear of the previous note's tail; no reverb, no chorus.
std::vector<uint8_t> TestSong() {
  struct Ev {
    uint32_t tick;
    std::vector<uint8_t> bytes;
  };
  std::vector<Ev> ev;
  for (const TempoChange& c : kTempos)
    ev.push_back(
        {c.tick, {0xFF, 0x51, 3, uint8_t(c.tempo >> 16), uint8_t(c.tempo >> 8), uint8_t(c.tempo)}});
  for (uint8_t c = 0; c < 2; ++c) {
    ev.push_back({0, {uint8_t(0xC0 | c), 115}});
    ev.push_back({0, {uint8_t(0xB0 | c), 7, 127}});
    ev.push_back({0, {uint8_t(0xB0 | c), 10, uint8_t(c ? 127 : 0)}});
    ev.push_back({0, {uint8_t(0xB0 | c), 91, 0}});
    ev.push_back({0, {uint8_t(0xB0 | c), 93, 0}});
  }
  for (int i = 0; i < kNotes; ++i) {
    uint8_t c = uint8_t(i & 1);
    ev.push_back({uint32_t(i * kStep), {uint8_t(0x90 | c), 72, 127}});
    ev.push_back({uint32_t(i * kStep + 30), {uint8_t(0x80 | c), 72, 0}});
  }
  std::stable_sort(ev.begin(), ev.end(), [](const Ev& a, const Ev& b) { return a.tick < b.tick; });
  std::vector<uint8_t> t;
  uint32_t now = 0;
  for (const Ev& e : ev) {
    Vlq(t, e.tick - now);
    now = e.tick;
    t.insert(t.end(), e.bytes.begin(), e.bytes.end());
  }
  t.insert(t.end(), {0, 0xFF, 0x2F, 0});
  const uint8_t head[22] = {'M',
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
                            kDivision >> 8,
                            kDivision & 0xFF,
                            'M',
                            'T',
                            'r',
                            'k',
                            uint8_t(t.size() >> 24),
                            uint8_t(t.size() >> 16),
                            uint8_t(t.size() >> 8),
                            uint8_t(t.size())};
  std::vector<uint8_t> b(head, head + sizeof head);
  b.resize(sizeof head + t.size());
  std::memcpy(b.data() + sizeof head, t.data(), t.size());
  return b;
}

// Ideal time of note i in ms from the start, from the tempo map.
std::vector<double> IdealMs() {
  std::vector<double> r;
  for (int i = 0; i < kNotes; ++i) {
    uint32_t tick = uint32_t(i * kStep);
    double ms = 0;
    for (size_t k = 0; k < kTempos.size(); ++k) {
      uint32_t from = kTempos[k].tick;
      uint32_t to = k + 1 < kTempos.size() ? kTempos[k + 1].tick : UINT32_MAX;
      if (tick <= from) break;
      ms += double(std::min(tick, to) - from) * kTempos[k].tempo / kDivision / 1000.0;
    }
    r.push_back(ms);
  }
  return r;
}

// When the sequencer's own tick arithmetic sends each note-on (ms), run on
// a virtual 1 ms timer: the deterministic schedule it aims at. It differs
// from the tempo map's ideal by whole-millisecond ticks and by the tick
// that each tempo change spends restarting the time base.
std::vector<double> ScheduleMs() {
  std::vector<uint8_t> song = TestSong();
  ManualTimer timer;
  RecordingMidiOut out(&timer);
  CDxMusic music(out, timer);
  music.loadImage(song.data(), song.size());
  music.setLoop(0);
  music.play();
  timer.advance(20000);
  std::vector<double> r;
  for (const RecordingMidiOut::Record& x : out.take())
    if (x.kind == RecordingMidiOut::kShort && (x.msg & 0xF0) == 0x90 && (x.msg >> 16 & 0x7F))
      r.push_back(double(x.time));
  return r;
}

// p50, p99 and max of |error| (ms), and the mean error.
void Report(benchmark::State& state, const std::vector<double>& sent,
            const std::vector<double>& ideal, const char* prefix = "err") {
  std::vector<double> err;
  double mean = 0;
  for (size_t i = 0; i < sent.size() && i < ideal.size(); ++i) {
    err.push_back(std::fabs(sent[i] - ideal[i]));
    mean += sent[i] - ideal[i];
  }
  if (err.empty()) {
    state.SkipWithError("no notes");
    return;
  }
  mean /= double(err.size());
  if (getenv("MIRT_BENCH_VERBOSE")) {
    for (size_t i = 0; i < sent.size() && i < ideal.size(); ++i)
      std::fprintf(stderr, "%.2f ", sent[i] - ideal[i]);
    std::fprintf(stderr, "\n");
  }
  std::sort(err.begin(), err.end());
  auto pct = [&](double p) {
    return err[std::min(err.size() - 1, size_t(p * double(err.size())))];
  };
  std::string p = prefix;
  state.counters["notes"] = double(err.size());
  state.counters[p + "_p50_ms"] = pct(0.50);
  state.counters[p + "_p99_ms"] = pct(0.99);
  state.counters[p + "_max_ms"] = err.back();
  state.counters[p + "_mean_ms"] = mean;
}

const char* SoundFont() {
  for (const char* p :
       {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2"})
    if (access(p, R_OK) == 0) return p;
  return nullptr;
}

// ---- (1) send timing in real time ---------------------------------------------------

class NoteOnClock final : public MidiOut {
 public:
  bool open() override { return true; }
  void shortMsg(uint32_t m) override {
    if ((m & 0xF0) == 0x90 && (m >> 16 & 0x7F)) {
      std::lock_guard<std::mutex> l(mutex);
      times.push_back(NowNs());
    }
  }
  void longMsg(const uint8_t*, size_t) override {}
  void reset() override {}
  void close() override {}
  std::mutex mutex;
  std::vector<int64_t> times;
};

void SendTiming_Sequencer(benchmark::State& state) {
  std::vector<uint8_t> song = TestSong();
  for (auto _ : state) {
    ThreadTimer timer;
    NoteOnClock out;
    out.times.reserve(4 * kNotes);  // no allocation inside the timed callback
    CDxMusic music(out, timer);
    music.loadImage(song.data(), song.size());
    music.setLoop(0);
    int64_t start = NowNs();
    music.play();
    while (music.isPlaying()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::vector<double> sent;
    for (int64_t t : out.times) sent.push_back(double(t - start) / 1e6);
    Report(state, sent, IdealMs());
    Report(state, sent, ScheduleMs(), "sched");
    // The part of the error that the tick arithmetic itself prescribes.
    Report(state, ScheduleMs(), IdealMs(), "prescribed");
  }
}

struct PlayerClock {
  std::mutex mutex;
  std::vector<int64_t> times;
};

int RecordNoteOn(void* data, fluid_midi_event_t* e) {
  auto* c = static_cast<PlayerClock*>(data);
  if (fluid_midi_event_get_type(e) == 0x90 && fluid_midi_event_get_velocity(e) > 0) {
    std::lock_guard<std::mutex> l(c->mutex);
    c->times.push_back(NowNs());
  }
  return FLUID_OK;
}

void SendTiming_FluidPlayer(benchmark::State& state) {
  std::vector<uint8_t> song = TestSong();
  for (auto _ : state) {
    fluid_settings_t* s = new_fluid_settings();
    fluid_settings_setstr(s, "player.timing-source", "system");
    fluid_synth_t* synth = new_fluid_synth(s);
    fluid_player_t* p = new_fluid_player(synth);
    PlayerClock clock;
    fluid_player_set_playback_callback(p, RecordNoteOn, &clock);
    fluid_player_add_mem(p, song.data(), song.size());
    int64_t start = NowNs();
    fluid_player_play(p);
    fluid_player_join(p);
    std::vector<double> sent;
    for (int64_t t : clock.times) sent.push_back(double(t - start) / 1e6);
    Report(state, sent, IdealMs());
    delete_fluid_player(p);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
  }
}

// ---- (2) onsets in the rendered audio -------------------------------------------------

// The first sample at or after `from` whose magnitude exceeds the threshold
// and three times the level just before `from` (a decaying earlier note).
long Onset(const std::vector<float>& x, long from, long to, float threshold) {
  from = std::max(0L, from);
  float before = 0;
  for (long i = std::max(0L, from - 88); i < from && i < long(x.size()); ++i)
    before = std::max(before, std::fabs(x[size_t(i)]));
  float level = std::max(threshold, 3 * before);
  for (long i = from; i < to && i < long(x.size()); ++i)
    if (std::fabs(x[size_t(i)]) > level) return i;
  return -1;
}

constexpr float kThreshold = 0.03f;
constexpr double kGain = 0.6;  // FluidSynthMidiOut's gain, for equal levels

// Detected onsets (ms, output time minus `latencyFrames`) for every ideal
// note: even notes on the left channel, odd ones on the right.
// The search window runs from 5 ms before to 20 ms after the time where the
// player means to sound the note (`expected`, ms).
std::vector<double> Onsets(const std::vector<float>& left, const std::vector<float>& right,
                           long latencyFrames, long calibration,
                           const std::vector<double>& expected) {
  std::vector<double> r;
  const std::vector<double>& ideal = expected;
  for (size_t i = 0; i < ideal.size(); ++i) {
    long at = long(ideal[i] * kRate / 1000) + latencyFrames;
    long o = Onset(i % 2 ? right : left, at - kRate * 5 / 1000, at + kRate * 20 / 1000, kThreshold);
    if (getenv("MIRT_BENCH_VERBOSE") && o >= 0 &&
        double(o - at - calibration) * 1000.0 / kRate < -1) {
      const std::vector<float>& x = i % 2 ? right : left;
      std::fprintf(stderr, "note %zu early; 1 ms peaks from -8 ms:", i);
      for (long k = at - 8 * 44; k < at + 8 * 44; k += 44) {
        float p = 0;
        for (long j = k; j < k + 44; ++j) p = std::max(p, std::fabs(x[size_t(j)]));
        std::fprintf(stderr, " %.3f", p);
      }
      std::fprintf(stderr, "\n");
    }
    if (o >= 0)
      r.push_back(double(o - latencyFrames - calibration) * 1000.0 / kRate);
    else
      r.push_back(1e9);
  }
  return r;
}

// How far after the note-on frame the wood block crosses the threshold.
long Calibration(const char* font) {
  fluid_settings_t* s = new_fluid_settings();
  fluid_settings_setnum(s, "synth.gain", kGain);
  fluid_synth_t* synth = new_fluid_synth(s);
  fluid_synth_sfload(synth, font, 1);
  fluid_synth_program_change(synth, 0, 115);
  fluid_synth_cc(synth, 0, 7, 127);
  fluid_synth_cc(synth, 0, 10, 0);
  fluid_synth_cc(synth, 0, 91, 0);
  fluid_synth_cc(synth, 0, 93, 0);
  fluid_synth_noteon(synth, 0, 72, 127);
  std::vector<float> l(4096), r(4096);
  fluid_synth_write_float(synth, 4096, l.data(), 0, 1, r.data(), 0, 1);
  delete_fluid_synth(synth);
  delete_fluid_settings(s);
  return Onset(l, 0, 4096, kThreshold);
}

void RenderOnsets_Sequencer(benchmark::State& state) {
  const char* font = SoundFont();
  if (!font) return state.SkipWithError("no sound font");
  const size_t block = size_t(state.range(0));
  std::vector<uint8_t> song = TestSong();
  long calibration = Calibration(font);
  for (auto _ : state) {
    ManualTimer timer;
    FluidSynthMidiOut synth(font);
    // The audio clock of a device pulling `block` frames at exact times:
    // a message at time m is heard one block after the block that started
    // last, at the same distance.
    uint64_t lastStart = 0;
    double ms = 0;
    synth.setClock([&] {
      double into = ms * kRate / 1000.0 - double(lastStart);
      return lastStart + block + uint64_t(std::max(0.0, into));
    });
    CDxMusic music(synth, timer);
    music.loadImage(song.data(), song.size());
    music.setLoop(0);
    music.play();
    std::vector<float> buf(block * 2), left, right;
    uint64_t next = 0;
    double endMs = IdealMs().back() + 500;
    for (int m = 1; m <= int(endMs); ++m) {
      ms = m;                                       // the timer fires for virtual ms m below
      while (double(next) * 1000.0 / kRate <= m) {  // the device pulls
        lastStart = next;
        synth.render(buf.data(), block, next);
        for (size_t i = 0; i < block; ++i)
          left.push_back(buf[2 * i]), right.push_back(buf[2 * i + 1]);
        next += block;
      }
      timer.advance(1);
    }
    std::vector<double> onsets = Onsets(left, right, long(block), calibration, ScheduleMs());
    Report(state, onsets, IdealMs());
    Report(state, onsets, ScheduleMs(), "sched");
  }
  state.counters["latency_ms"] = double(block) * 1000.0 / kRate;
}

void RenderOnsets_FluidPlayer(benchmark::State& state) {
  const char* font = SoundFont();
  if (!font) return state.SkipWithError("no sound font");
  const size_t block = size_t(state.range(0));
  std::vector<uint8_t> song = TestSong();
  long calibration = Calibration(font);
  for (auto _ : state) {
    fluid_settings_t* s = new_fluid_settings();
    fluid_settings_setnum(s, "synth.sample-rate", kRate);
    fluid_settings_setnum(s, "synth.gain", kGain);
    fluid_synth_t* synth = new_fluid_synth(s);
    fluid_synth_sfload(synth, font, 1);
    fluid_player_t* p = new_fluid_player(synth);
    fluid_player_add_mem(p, song.data(), song.size());
    fluid_player_play(p);
    std::vector<float> l(block), r(block), left, right;
    size_t total = size_t((IdealMs().back() + 500) * kRate / 1000);
    while (left.size() < total) {
      fluid_synth_write_float(synth, int(block), l.data(), 0, 1, r.data(), 0, 1);
      left.insert(left.end(), l.begin(), l.end());
      right.insert(right.end(), r.begin(), r.end());
    }
    Report(state, Onsets(left, right, 0, calibration, IdealMs()), IdealMs());
    delete_fluid_player(p);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
  }
}

// ---- (3) CPU while music plays -----------------------------------------------------------

constexpr int kCpuSeconds = 4;

// Process CPU over kCpuSeconds of playing, after 300 ms for the sound font
// to load and the music to start, in percent of one core.
void RecordCpu(benchmark::State& state) {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int64_t c0 = CpuNs(), w0 = NowNs();
  std::this_thread::sleep_for(std::chrono::seconds(kCpuSeconds));
  int64_t c1 = CpuNs(), w1 = NowNs();
  state.counters["cpu_percent"] = 100.0 * double(c1 - c0) / double(w1 - w0);
}

void Cpu_Sequencer(benchmark::State& state) {
  const char* font = SoundFont();
  if (!font) return state.SkipWithError("no sound font");
  std::vector<uint8_t> song = TestSong();
  for (auto _ : state) {
    ThreadTimer timer;
    SoundMixer mixer;
    NullAudioOutput audio(512);
    FluidSynthMidiOut synth(font);
    synth.setClock([&audio] { return audio.clock(); });
    mixer.setSynth(&synth);
    audio.setSource(&mixer);
    CDxMusic music(synth, timer);
    music.loadImage(song.data(), song.size());
    music.setLoop(1);
    music.play();
    RecordCpu(state);
    music.stop();
    audio.setSource(nullptr);
  }
}

// fluid_player on its sample clock, rendered by the same null output.
struct FluidSource final : AudioSource {
  fluid_synth_t* synth;
  void renderAudio(float* out, size_t frames, uint64_t) override {
    fluid_synth_write_float(synth, int(frames), out, 0, 2, out, 1, 2);
  }
};

void Cpu_FluidPlayer(benchmark::State& state) {
  const char* font = SoundFont();
  if (!font) return state.SkipWithError("no sound font");
  std::vector<uint8_t> song = TestSong();
  for (auto _ : state) {
    fluid_settings_t* s = new_fluid_settings();
    fluid_synth_t* synth = new_fluid_synth(s);
    fluid_synth_sfload(synth, font, 1);
    fluid_player_t* p = new_fluid_player(synth);
    fluid_player_add_mem(p, song.data(), song.size());
    fluid_player_set_loop(p, -1);
    FluidSource src;
    src.synth = synth;
    NullAudioOutput audio(512);
    audio.setSource(&src);
    fluid_player_play(p);
    RecordCpu(state);
    audio.setSource(nullptr);
    fluid_player_stop(p);
    delete_fluid_player(p);
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
  }
}

}  // namespace

BENCHMARK(SendTiming_Sequencer)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(SendTiming_FluidPlayer)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(RenderOnsets_Sequencer)
    ->Arg(64)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(RenderOnsets_FluidPlayer)
    ->Arg(64)
    ->Arg(256)
    ->Arg(1024)
    ->Arg(4096)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Cpu_Sequencer)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(Cpu_FluidPlayer)->Iterations(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
