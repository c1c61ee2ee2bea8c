#include "sound/SoundMixer.h"

#include <algorithm>
#include <cstring>

#include "platform/FluidSynthMidiOut.h"

namespace mirt {

void SoundMixer::addScaled(float* out, const float* in, size_t frames, uint32_t volume) {
  float l = float(volume & 0xFFFF) / 65535.0f, r = float(volume >> 16) / 65535.0f;
  for (size_t i = 0; i < frames; ++i) {
    out[2 * i] += in[2 * i] * l;
    out[2 * i + 1] += in[2 * i + 1] * r;
  }
}

void SoundMixer::renderAudio(float* out, size_t frames, uint64_t start) {
  if (scratch_.size() < frames * 2) scratch_.resize(frames * 2);
  std::memset(out, 0, frames * 2 * sizeof(float));
  if (synth_) {
    synth_->render(scratch_.data(), frames, start);
    addScaled(out, scratch_.data(), frames, volume(SoundDevice::Midi));
  }
  std::lock_guard<std::mutex> l(mutex_);
  mixWave(out, frames);
  mixCd(out, frames);
}

void SoundMixer::mixWave(float* out, size_t frames) {
  if (!wave_) return;
  size_t done = 0;
  bool rewound = false;
  while (done < frames) {
    size_t n = wave_->read(scratch_.data() + done * 2, frames - done);
    done += n;
    if (done >= frames) break;
    // At the end: a looping sound starts again, unless it holds no frames.
    if (!waveLoop_ || (n == 0 && rewound) || !wave_->rewind()) break;
    rewound = true;
  }
  addScaled(out, scratch_.data(), done, volume(SoundDevice::Wave));
  if (done < frames) {  // the sound has ended: its buffer may go
    wave_.reset();
    waveBuffer_.reset();
  }
}

void SoundMixer::mixCd(float* out, size_t frames) {
  size_t done = 0;
  while (done < frames && cdIndex_ < cdQueue_.size()) {
    if (!cd_) {
      const CdTrackFile& t = cdQueue_[cdIndex_];
      if (!t.hostPath.empty()) cd_ = SoundDecoder::FromFile(t.hostPath);
      cdTrack_.store(t.track);
      if (!cd_) {  // a missing or unreadable track passes at once
        ++cdIndex_;
        continue;
      }
    }
    size_t n = cd_->read(scratch_.data() + done * 2, frames - done);
    done += n;
    if (done < frames) {
      cd_.reset();
      ++cdIndex_;
    }
  }
  addScaled(out, scratch_.data(), done, volume(SoundDevice::Cd));
  if (cdIndex_ >= cdQueue_.size()) {
    cdQueue_.clear();
    cdIndex_ = 0;
    cdTrack_.store(0);
  }
}

bool SoundMixer::playWave(std::shared_ptr<const std::vector<uint8_t>> buffer, bool loop) {
  std::unique_ptr<SoundDecoder> d = SoundDecoder::FromMemory(buffer);
  std::lock_guard<std::mutex> l(mutex_);
  wave_ = std::move(d);
  waveBuffer_ = wave_ ? std::move(buffer) : nullptr;
  waveLoop_ = loop;
  return wave_ != nullptr;
}

void SoundMixer::stopWave() {
  std::lock_guard<std::mutex> l(mutex_);
  wave_.reset();
  waveBuffer_.reset();
}

bool SoundMixer::wavePlaying() const {
  std::lock_guard<std::mutex> l(mutex_);
  return wave_ != nullptr;
}

long SoundMixer::waveBuffersHeld() const {
  std::lock_guard<std::mutex> l(mutex_);
  return waveBuffer_ ? 1 : 0;
}

void SoundMixer::playCd(std::vector<CdTrackFile> tracks) {
  // The first track opens here, off the audio thread.
  std::unique_ptr<SoundDecoder> first;
  if (!tracks.empty() && !tracks[0].hostPath.empty()) first = SoundDecoder::FromFile(tracks[0].hostPath);
  std::lock_guard<std::mutex> l(mutex_);
  cdQueue_ = std::move(tracks);
  cdIndex_ = 0;
  cd_ = std::move(first);
  if (cd_) {
    cdTrack_.store(cdQueue_[0].track);
  } else {
    cdQueue_.clear();
    cdTrack_.store(0);
  }
}

void SoundMixer::stopCd() {
  std::lock_guard<std::mutex> l(mutex_);
  cdQueue_.clear();
  cdIndex_ = 0;
  cd_.reset();
  cdTrack_.store(0);
}

}  // namespace mirt
