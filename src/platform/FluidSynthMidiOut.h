// MidiOut on libfluidsynth: messages go to a software synthesizer whose
// output the caller pulls with render() into its own float buffer (for
// example from an audio callback). Link: pkg-config fluidsynth.
//
// Every message is stamped on arrival with the audio clock (a frame number
// of the output stream) and applied by render() at that frame's offset
// within the block, so timing does not depend on the audio block size.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/MidiDevice.h"
#include "platform/Platform.h"

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

namespace mirt {

class FluidSynthMidiOut final : public MidiOut, public AudioSource {
 public:
  // soundFont empty: the first of the usual GM sound fonts that exists.
  explicit FluidSynthMidiOut(std::string soundFont = {}, double sampleRate = 44100.0);
  ~FluidSynthMidiOut() override;
  FluidSynthMidiOut(const FluidSynthMidiOut&) = delete;
  FluidSynthMidiOut& operator=(const FluidSynthMidiOut&) = delete;

  // The audio clock: the output frame at which a message sent now sounds.
  // Without one, messages apply at the start of the next rendered block.
  void setClock(std::function<uint64_t()> clock) { clock_ = std::move(clock); }

  // From now on the sound font loads on a thread of its own, which the
  // first open() starts without waiting for it: ready() is false until the
  // load has ended (loaded or not) and outputReady(), when given, is true.
  void loadInBackground(std::function<bool()> outputReady = nullptr);

  // False when no sound font can be loaded; in the background only when it
  // has already failed to load.
  bool open() override;
  bool ready() override;
  void shortMsg(uint32_t msg) override;
  void longMsg(const uint8_t* data, size_t length) override;
  void reset() override;
  void close() override;
  AudioSource* synthesizer() override { return this; }

  // Renders frames of interleaved stereo float samples starting at output
  // frame `start`, applying every queued message whose frame lies before
  // start + frames at its own offset. Silence while closed. Called from one
  // thread (the audio thread); messages may come from any other.
  void render(float* interleavedStereo, size_t frames, uint64_t start);
  // The mixer's call: render at output frame start.
  void renderAudio(float* stereo, size_t frames, uint64_t start) override {
    render(stereo, frames, start);
  }

 private:
  enum Kind : uint8_t { kShortMsg, kLongMsg, kReset, kOpenDevice, kCloseDevice };
  struct Pending {
    uint64_t frame;
    Kind kind;
    uint32_t msg;
    std::vector<uint8_t> data;
  };
  void post(Pending p);
  void apply(const Pending& p);
  bool createSynth();

  std::string soundFont_;
  double sampleRate_;
  std::function<uint64_t()> clock_;
  fluid_settings_t* settings_ = nullptr;
  fluid_synth_t* synth_ = nullptr;           // made once, kept until destruction
  std::mutex createMutex_;                   // one sound-font load at a time
  bool background_ = false;                  // loadInBackground() was called
  std::function<bool()> outputReady_;        // set before the loader starts
  std::thread loader_;                       // the background load; under mutex_
  std::atomic<bool> loading_{false};         // the background load has not ended
  mutable std::mutex mutex_;                 // guards the queue, the open flag, synth_
  std::vector<Pending> queue_;               // in arrival order, frames non-decreasing
  std::vector<Pending> due_;                 // render's working copy
  std::vector<std::vector<uint8_t>> spare_;  // SysEx buffers for reuse
  bool open_ = false;                        // as the sender sees it
  bool sounding_ = false;                    // as the renderer sees it
  uint64_t lastFrame_ = 0;                   // keeps stamps non-decreasing
  bool warned_ = false;
  uint64_t written_ = 0;                       // frames the synth has rendered
  static constexpr uint64_t kSynthBlock = 64;  // FluidSynth's internal block
  static constexpr size_t kQueueLimit = 1 << 16;
  static constexpr size_t kSpareLimit = 64;
};

}  // namespace mirt
