// The one output stream: mixes the MIDI synthesizer, the WAVE sound and the
// CD track, each scaled by its device volume (low 16 bits left, high 16 bits
// right, 0xFFFF full).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "sound/SoundDecoder.h"

namespace mirt {

class SoundMixer final : public AudioSource {
 public:
  SoundMixer();
  ~SoundMixer() override;
  // The MIDI synthesizer's samples, mixed at the MIDI volume; null: none.
  void setSynth(AudioSource* synth) { synth_ = synth; }
  void renderAudio(float* stereo, size_t frames, uint64_t start) override;

  uint32_t volume(SoundDevice d) const { return volumes_[int(d)].load(); }
  void setVolume(SoundDevice d, uint32_t v) { volumes_[int(d)].store(v); }

  // The WAVE sound: the buffer is kept until the sound has ended or been
  // replaced, so its owner may drop its own reference at any time. A buffer
  // that cannot be decoded plays nothing (and stops the old sound).
  // renderAudio never frees: a voice that ends there is released by the
  // next call on this side (playWave, stopWave, playCd, stopCd).
  bool playWave(std::shared_ptr<const std::vector<uint8_t>> buffer, bool loop);
  void stopWave();
  bool wavePlaying() const;

  // A CD play: the files of the tracks from `first`, one after the other
  // (an empty path is a missing track and plays nothing). Every file is
  // opened here, so that the audio thread only reads.
  struct CdTrackFile {
    int track;
    std::string hostPath;
    // rawBytes > 0: a disc image's audio track, raw 16-bit stereo 44100 Hz
    // little-endian samples at rawOffset in the file.
    uint64_t rawOffset = 0;
    uint64_t rawBytes = 0;
  };
  void playCd(std::vector<CdTrackFile> tracks);
  void stopCd();
  // The track playing, 0 when none.
  int cdCurrentTrack() const { return cdTrack_.load(); }

 private:
  void mixWave(float* out, size_t frames);
  void mixCd(float* out, size_t frames);
  static void addScaled(float* out, const float* in, size_t frames, uint32_t volume);

  AudioSource* synth_ = nullptr;
  std::atomic<uint32_t> volumes_[3] = {0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};
  std::vector<float> scratch_;

  struct CdVoice {
    int track;
    std::unique_ptr<SoundDecoder> decoder;  // null: a missing or unreadable file
  };

  mutable std::mutex mutex_;  // the WAVE and CD voices
  std::shared_ptr<const std::vector<uint8_t>> waveBuffer_;
  std::unique_ptr<SoundDecoder> wave_;
  bool waveLoop_ = false;
  bool waveEnded_ = false;   // wave_ has played out; released by this side
  std::vector<CdVoice> cd_;  // the tracks of the play, kept until the next
  size_t cdIndex_ = 0;       // the one playing; cd_.size() when done
  std::atomic<int> cdTrack_{0};
};

}  // namespace mirt
