// The audio outputs behind Platform::openAudio: SDL2's audio device, a null
// output that pulls the mix in real time and drops it (no device, CI), and a
// WAVE file writer for renders on a virtual clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Platform.h"

typedef struct sf_private_tag SNDFILE;

namespace mirt {

// Maps wall time to output frames from the start of the last block pulled:
// a message that arrives t ns after a block started is heard one block
// later at the same distance, so its offset never depends on when the block
// happened to be rendered.
class AudioClock {
 public:
  void blockStarted(uint64_t startFrame, size_t frames);
  uint64_t now() const;

 private:
  mutable std::mutex mutex_;
  uint64_t startFrame_ = 0;
  size_t frames_ = 0;
  int64_t startNs_ = 0;
};

class AudioOutput {
 public:
  virtual ~AudioOutput() = default;
  virtual void setSource(AudioSource* source) = 0;  // nullptr: silence
  virtual uint64_t clock() const = 0;
};

// Real-time pull without a device: a thread that renders blockFrames every
// block period and discards them.
class NullAudioOutput final : public AudioOutput {
 public:
  explicit NullAudioOutput(size_t blockFrames = 512);
  ~NullAudioOutput() override;
  void setSource(AudioSource* source) override;
  uint64_t clock() const override { return clock_.now(); }

 private:
  void run();
  size_t block_;
  std::mutex mutex_;  // held while the source renders
  AudioSource* source_ = nullptr;
  std::atomic<bool> quit_{false};
  AudioClock clock_;
  std::thread worker_;
};

// SDL2's audio subsystem: one 44100 Hz stereo float stream.
class SdlAudioOutput final : public AudioOutput {
 public:
  // Nothing when no audio device can be opened.
  // device: SDL's name of the output, "" for the system's default.
  static std::unique_ptr<SdlAudioOutput> Open(size_t blockFrames = 512,
                                              const std::string& device = "");
  ~SdlAudioOutput() override;
  void setSource(AudioSource* source) override;
  uint64_t clock() const override { return clock_.now(); }

 private:
  SdlAudioOutput() = default;
  static void callback(void* self, uint8_t* stream, int len);
  uint32_t device_ = 0;
  std::mutex mutex_;
  AudioSource* source_ = nullptr;
  uint64_t frame_ = 0;
  AudioClock clock_;
};

// The device SDL would choose, else the null output.
// The named SDL output (when it opens), else the default, else silence.
std::unique_ptr<AudioOutput> OpenDefaultAudioOutput(const std::string& device = "");

// A 16-bit stereo 44100 Hz WAVE file (libsndfile) written as it goes;
// samples past full scale are cut to it. The header's sizes are fixed at
// close().
class WaveFileWriter {
 public:
  ~WaveFileWriter() { close(); }
  bool open(const std::string& hostPath);
  void write(const float* stereo, size_t frames);
  void close();
  bool isOpen() const { return file_ != nullptr; }

 private:
  SNDFILE* file_ = nullptr;
  std::vector<float> block_;  // the block cut to full scale; kept between blocks
};

}  // namespace mirt
