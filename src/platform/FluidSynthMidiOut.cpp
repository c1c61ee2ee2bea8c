#include "platform/FluidSynthMidiOut.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace mirt {

FluidSynthMidiOut::FluidSynthMidiOut(std::string soundFont, double sampleRate)
    : soundFont_(std::move(soundFont)), sampleRate_(sampleRate) {
  // Room for several blocks' worth of messages, so that neither the timer
  // thread (post) nor the audio thread (render) grows them in steady play.
  queue_.reserve(4096);
  due_.reserve(4096);
  spare_.reserve(kSpareLimit);
}

FluidSynthMidiOut::~FluidSynthMidiOut() {
  if (loader_.joinable()) loader_.join();
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
}

// Loading a sound font takes a while: it happens outside mutex_, so that
// the audio thread's render() never waits for it; the finished synthesizer
// is published under the lock.
bool FluidSynthMidiOut::createSynth() {
  std::lock_guard<std::mutex> creating(createMutex_);
  {
    std::lock_guard<std::mutex> l(mutex_);
    if (synth_) return true;
  }
  if (warned_) return false;  // the font did not load before; it will not now
  std::vector<std::string> candidates;
  if (!soundFont_.empty()) {
    candidates.push_back(soundFont_);  // a chosen font is the only one tried
  } else {
    candidates = {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                  "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
  }
  fluid_set_log_function(FLUID_ERR, nullptr, nullptr);  // our own message below
  fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
  fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
  fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
  fluid_settings_t* settings = new_fluid_settings();
  if (!settings) return false;
  fluid_settings_setnum(settings, "synth.sample-rate", sampleRate_);
  fluid_settings_setint(settings, "synth.threadsafe-api", 0);  // one rendering thread
  fluid_settings_setnum(settings, "synth.gain", 0.6);          // the GM font is quiet at 0.2
  if (fluid_synth_t* synth = new_fluid_synth(settings)) {
    for (const std::string& path : candidates) {
      if (access(path.c_str(), R_OK) != 0) continue;
      if (fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
        std::lock_guard<std::mutex> l(mutex_);
        settings_ = settings;
        synth_ = synth;
        return true;
      }
    }
    delete_fluid_synth(synth);
  }
  delete_fluid_settings(settings);
  std::fprintf(stderr, "mirt: cannot load the sound font %s; no music\n",
               soundFont_.empty() ? "/usr/share/sounds/sf2/default-GM.sf2" : soundFont_.c_str());
  warned_ = true;
  return false;
}

void FluidSynthMidiOut::loadInBackground(std::function<bool()> outputReady) {
  outputReady_ = std::move(outputReady);
  background_ = true;
}

bool FluidSynthMidiOut::ready() { return !loading_.load() && (!outputReady_ || outputReady_()); }

bool FluidSynthMidiOut::open() {
  bool loading;
  {
    std::lock_guard<std::mutex> l(mutex_);
    if (open_) return true;
    if (background_ && !loader_.joinable()) {
      loading_ = true;
      loader_ = std::thread([this] {
        createSynth();
        loading_ = false;
      });
    }
    loading = loading_.load();
  }
  // While the sound font loads, the messages wait in the queue for it
  // rather than the caller.
  if (!loading && !createSynth()) return false;
  {
    std::lock_guard<std::mutex> l(mutex_);
    open_ = true;
  }
  post({0, kOpenDevice, 0, {}});
  return true;
}

void FluidSynthMidiOut::post(Pending p) {
  uint64_t frame = clock_ ? clock_() : 0;
  std::lock_guard<std::mutex> l(mutex_);
  if (!open_ && p.kind != kCloseDevice && p.kind != kReset) return;
  p.frame = std::max(frame, lastFrame_);
  lastFrame_ = p.frame;
  // Nobody renders (no audio output pulls the mix): keep the queue bounded.
  if (queue_.size() >= kQueueLimit) queue_.erase(queue_.begin(), queue_.begin() + kQueueLimit / 2);
  queue_.push_back(std::move(p));
}

void FluidSynthMidiOut::shortMsg(uint32_t msg) { post({0, kShortMsg, msg, {}}); }

// The copy goes into a buffer that render() has handed back, so that a song's
// SysEx messages allocate only the first time round.
void FluidSynthMidiOut::longMsg(const uint8_t* data, size_t length) {
  if (!data || length < 2) return;
  Pending p{0, kLongMsg, 0, {}};
  {
    std::lock_guard<std::mutex> l(mutex_);
    if (!spare_.empty()) {
      p.data = std::move(spare_.back());
      spare_.pop_back();
    }
  }
  p.data.assign(data, data + length);
  post(std::move(p));
}

void FluidSynthMidiOut::reset() { post({0, kReset, 0, {}}); }

void FluidSynthMidiOut::close() {
  {
    std::lock_guard<std::mutex> l(mutex_);
    if (!open_) return;
  }
  post({0, kCloseDevice, 0, {}});
  std::lock_guard<std::mutex> l(mutex_);
  open_ = false;
}

void FluidSynthMidiOut::apply(const Pending& p) {
  switch (p.kind) {
    case kOpenDevice: sounding_ = true; return;
    case kCloseDevice:
    case kReset:
      // midiOutReset: every note off and the controllers back to their
      // defaults, at once.
      fluid_synth_system_reset(synth_);
      if (p.kind == kCloseDevice) sounding_ = false;
      return;
    case kLongMsg: {
      // fluidsynth wants the message without its F0 and F7 framing.
      const std::vector<uint8_t>& d = p.data;
      size_t begin = d[0] == 0xF0 ? 1 : 0;
      size_t end = d.back() == 0xF7 ? d.size() - 1 : d.size();
      if (end > begin && sounding_)
        fluid_synth_sysex(synth_, reinterpret_cast<const char*>(d.data() + begin), int(end - begin),
                          nullptr, nullptr, nullptr, 0);
      return;
    }
    case kShortMsg: break;
  }
  if (!sounding_) return;
  uint32_t msg = p.msg;
  int status = msg & 0xFF, c = status & 0x0F;
  int d1 = (msg >> 8) & 0x7F, d2 = (msg >> 16) & 0x7F;
  switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth_, c, d1); break;
    case 0x90:
      if (d2)
        fluid_synth_noteon(synth_, c, d1, d2);
      else
        fluid_synth_noteoff(synth_, c, d1);
      break;
    case 0xA0: fluid_synth_key_pressure(synth_, c, d1, d2); break;
    case 0xB0: fluid_synth_cc(synth_, c, d1, d2); break;
    case 0xC0: fluid_synth_program_change(synth_, c, d1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, c, d1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, c, d1 | d2 << 7); break;
    default: break;  // system messages have no meaning for the synthesizer
  }
}

void FluidSynthMidiOut::render(float* out, size_t frames, uint64_t start) {
  fluid_synth_t* synth;
  {
    std::lock_guard<std::mutex> l(mutex_);
    synth = synth_;
    size_t n = 0;
    if (synth)
      while (n < queue_.size() && queue_[n].frame < start + frames) ++n;
    else if (!loading_.load())
      queue_.clear();  // no sound font: nothing will play them
    if (n) {
      due_.insert(due_.end(), std::make_move_iterator(queue_.begin()),
                  std::make_move_iterator(queue_.begin() + n));
      queue_.erase(queue_.begin(), queue_.begin() + n);
    }
  }
  if (!synth) {
    std::memset(out, 0, frames * 2 * sizeof(float));
    return;
  }
  auto write = [&](size_t from, size_t to) {
    if (to <= from) return;
    written_ += to - from;  // always rendered: the synth's blocks stay in step
    float* p = out + 2 * from;
    fluid_synth_write_float(synth, int(to - from), p, 0, 2, p, 1, 2);
  };
  size_t pos = 0;
  for (const Pending& p : due_) {
    size_t offset = p.frame <= start ? 0 : size_t(p.frame - start);
    // The synth starts what it is told at its next 64-frame block; applying
    // the message at the block boundary nearest its frame keeps it within
    // half a block (0.73 ms) of where it belongs.
    uint64_t at = written_ + (offset - std::min(offset, pos));
    uint64_t nearest = (at + kSynthBlock / 2) / kSynthBlock * kSynthBlock;
    size_t to = offset;
    if (nearest >= written_)
      to = std::min(frames, pos + size_t(nearest - written_));
    else
      to = pos;
    write(pos, to);
    pos = std::max(pos, to);
    apply(p);
  }
  {
    // SysEx buffers go back for reuse rather than being freed here.
    std::lock_guard<std::mutex> l(mutex_);
    for (Pending& p : due_)
      if (p.kind == kLongMsg && spare_.size() < kSpareLimit) spare_.push_back(std::move(p.data));
  }
  due_.clear();
  write(pos, frames);
}

}  // namespace mirt
