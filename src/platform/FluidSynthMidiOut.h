// MidiOut on libfluidsynth: messages go to a software synthesizer whose
// output the caller pulls with render() into its own float buffer (for
// example from an audio callback). Link: pkg-config fluidsynth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/MidiDevice.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace mirt {

class FluidSynthMidiOut final : public MidiOut {
 public:
  // soundFont empty: the first of the usual GM sound fonts that exists.
  explicit FluidSynthMidiOut(std::string soundFont = {}, double sampleRate = 44100.0);
  ~FluidSynthMidiOut() override;
  FluidSynthMidiOut(const FluidSynthMidiOut&) = delete;
  FluidSynthMidiOut& operator=(const FluidSynthMidiOut&) = delete;

  bool open() override;  // false when no sound font can be loaded
  void shortMsg(uint32_t msg) override;
  void longMsg(const uint8_t* data, size_t length) override;
  void reset() override;
  void close() override;

  // Renders frames of interleaved stereo float samples. Silence while closed.
  // Safe to call from another thread than the one sending messages.
  void render(float* interleavedStereo, size_t frames);

 private:
  std::string soundFont_;
  double sampleRate_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;
  std::mutex mutex_;  // guards synth_ creation and destruction against render
};

}  // namespace mirt
