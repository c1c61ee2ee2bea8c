#include "platform/FluidSynthMidiOut.h"

#include <fluidsynth.h>
#include <unistd.h>

#include <cstring>

namespace mirt {

FluidSynthMidiOut::FluidSynthMidiOut(std::string soundFont, double sampleRate)
    : soundFont_(std::move(soundFont)), sampleRate_(sampleRate) {}

FluidSynthMidiOut::~FluidSynthMidiOut() { close(); }

bool FluidSynthMidiOut::open() {
  std::lock_guard<std::mutex> l(mutex_);
  if (synth_) return true;
  const char* candidates[] = {soundFont_.c_str(), "/usr/share/sounds/sf2/default-GM.sf2",
                              "/usr/share/sounds/sf2/TimGM6mb.sf2",
                              "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
  settings_ = new_fluid_settings();
  if (!settings_) return false;
  fluid_settings_setnum(settings_, "synth.sample-rate", sampleRate_);
  synth_ = new_fluid_synth(settings_);
  bool loaded = false;
  if (synth_) {
    for (const char* path : candidates) {
      if (!*path || access(path, R_OK) != 0) continue;
      if (fluid_synth_sfload(synth_, path, 1) != FLUID_FAILED) { loaded = true; break; }
    }
  }
  if (!loaded) {
    if (synth_) delete_fluid_synth(synth_);
    delete_fluid_settings(settings_);
    synth_ = nullptr;
    settings_ = nullptr;
    return false;
  }
  return true;
}

void FluidSynthMidiOut::shortMsg(uint32_t msg) {
  std::lock_guard<std::mutex> l(mutex_);
  if (!synth_) return;
  int status = msg & 0xFF, c = status & 0x0F;
  int d1 = (msg >> 8) & 0x7F, d2 = (msg >> 16) & 0x7F;
  switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth_, c, d1); break;
    case 0x90:
      if (d2) fluid_synth_noteon(synth_, c, d1, d2);
      else fluid_synth_noteoff(synth_, c, d1);
      break;
    case 0xA0: fluid_synth_key_pressure(synth_, c, d1, d2); break;
    case 0xB0: fluid_synth_cc(synth_, c, d1, d2); break;
    case 0xC0: fluid_synth_program_change(synth_, c, d1); break;
    case 0xD0: fluid_synth_channel_pressure(synth_, c, d1); break;
    case 0xE0: fluid_synth_pitch_bend(synth_, c, d1 | d2 << 7); break;
    default: break;  // system messages have no meaning for the synthesizer
  }
}

void FluidSynthMidiOut::longMsg(const uint8_t* data, size_t length) {
  std::lock_guard<std::mutex> l(mutex_);
  if (!synth_ || !data || length < 2) return;
  // fluidsynth wants the message without its F0 and F7 framing.
  size_t begin = data[0] == 0xF0 ? 1 : 0;
  size_t end = data[length - 1] == 0xF7 ? length - 1 : length;
  if (end <= begin) return;
  fluid_synth_sysex(synth_, reinterpret_cast<const char*>(data + begin), int(end - begin),
                    nullptr, nullptr, nullptr, 0);
}

void FluidSynthMidiOut::reset() {
  std::lock_guard<std::mutex> l(mutex_);
  if (synth_) fluid_synth_system_reset(synth_);
}

void FluidSynthMidiOut::close() {
  std::lock_guard<std::mutex> l(mutex_);
  if (synth_) delete_fluid_synth(synth_);
  if (settings_) delete_fluid_settings(settings_);
  synth_ = nullptr;
  settings_ = nullptr;
}

void FluidSynthMidiOut::render(float* out, size_t frames) {
  std::lock_guard<std::mutex> l(mutex_);
  if (!synth_) {
    std::memset(out, 0, frames * 2 * sizeof(float));
    return;
  }
  fluid_synth_write_float(synth_, int(frames), out, 0, 2, out, 1, 2);
}

}  // namespace mirt
