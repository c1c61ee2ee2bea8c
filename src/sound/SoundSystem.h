// The player's sound devices: the MIDI output the platform made (a
// synthesizer mixed into the audio stream, or a port that sounds by itself),
// the sequencer on the platform's multimedia timer, the mixer that feeds the
// platform's audio output, the CD audio device and the WAVE sound call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/JsonObject.h"
#include "platform/MidiDevice.h"
#include "platform/Platform.h"
#include "sound/CDxMusic.h"
#include "sound/CdAudio.h"
#include "sound/SoundMixer.h"

namespace mirt {

using SoundOptions = MidiOutOptions;

// sndPlaySound flags.
constexpr uint32_t SND_ASYNC = 0x0001, SND_MEMORY = 0x0004, SND_LOOP = 0x0008;

class SoundSystem {
 public:
  // trace(ev, fields) is called from the window thread and, for MIDI
  // messages, from the timer thread.
  using TraceFn = std::function<void(const char* ev, const JsonObject& fields)>;
  // tracing() says whether anything is recorded: the MIDI messages, sent
  // from the timer thread, are formatted only then.
  SoundSystem(Platform& platform, std::unique_ptr<MidiOut> midiOut, TraceFn trace,
              std::function<bool()> tracing = nullptr);
  ~SoundSystem();
  SoundSystem(const SoundSystem&) = delete;
  SoundSystem& operator=(const SoundSystem&) = delete;

  CDxMusic& music() { return *music_; }
  const CDxMusic& music() const { return *music_; }
  SoundMixer& mixer() { return mixer_; }
  const SoundMixer& mixer() const { return mixer_; }
  CdAudio& cd() { return cd_; }

  // sndPlaySoundA: buffer null stops any sound; else plays it from memory,
  // replacing the sound that plays, looping with SND_LOOP.
  bool sndPlaySound(std::shared_ptr<const std::vector<uint8_t>> buffer, uint32_t flags);

  // The device volumes: waveOutGetVolume / midiOutGetVolume / auxGetVolume
  // and their setters.
  uint32_t getVolume(SoundDevice d) const { return mixer_.volume(d); }
  void setVolume(SoundDevice d, uint32_t v) { mixer_.setVolume(d, v); }

 private:
  Platform& platform_;
  TraceFn trace_;
  SoundMixer mixer_;
  std::unique_ptr<MidiOut> device_;   // the real output (synth or ALSA)
  std::unique_ptr<MidiOut> tracing_;  // what the sequencer talks to
  std::unique_ptr<CDxMusic> music_;
  CdAudio cd_;
};

}  // namespace mirt
