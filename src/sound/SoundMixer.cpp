#include "sound/SoundMixer.h"

#include <algorithm>
#include <cstring>

namespace mirt {

void SoundMixer::addScaled(float* out, const float* in, size_t frames, uint32_t volume) {
  float l = float(volume & 0xFFFF) / 65535.0f, r = float(volume >> 16) / 65535.0f;
  for (size_t i = 0; i < frames; ++i) {
    out[2 * i] += in[2 * i] * l;
    out[2 * i + 1] += in[2 * i + 1] * r;
  }
}

// Room for the usual audio blocks, so that rendering does not allocate.
SoundMixer::SoundMixer() { scratch_.resize(2 * 8192); }

SoundMixer::~SoundMixer() = default;

void SoundMixer::renderAudio(float* out, size_t frames, uint64_t start) {
  if (scratch_.size() < frames * 2) scratch_.resize(frames * 2);
  std::memset(out, 0, frames * 2 * sizeof(float));
  if (synth_) {
    synth_->renderAudio(scratch_.data(), frames, start);
    addScaled(out, scratch_.data(), frames, volume(SoundDevice::Midi));
  }
  std::lock_guard<std::mutex> l(mutex_);
  mixWave(out, frames);
  mixCd(out, frames);
}

void SoundMixer::mixWave(float* out, size_t frames) {
  if (!wave_ || waveEnded_) return;
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
  if (done < frames) waveEnded_ = true;  // its buffer goes at the next call from the player
}

void SoundMixer::mixCd(float* out, size_t frames) {
  size_t done = 0;
  while (done < frames && cdIndex_ < cd_.size()) {
    CdVoice& v = cd_[cdIndex_];
    cdTrack_.store(v.track);
    if (!v.decoder) {  // a missing or unreadable track passes at once
      ++cdIndex_;
      continue;
    }
    done += v.decoder->read(scratch_.data() + done * 2, frames - done);
    if (done < frames) ++cdIndex_;
  }
  addScaled(out, scratch_.data(), done, volume(SoundDevice::Cd));
  if (cdIndex_ >= cd_.size()) cdTrack_.store(0);
}

bool SoundMixer::playWave(std::shared_ptr<const std::vector<uint8_t>> buffer, bool loop) {
  std::unique_ptr<SoundDecoder> d = SoundDecoder::FromMemory(buffer);
  bool ok = d != nullptr;
  {
    std::lock_guard<std::mutex> l(mutex_);
    wave_.swap(d);  // the old voice is released below, outside the lock
    waveBuffer_.swap(buffer);
    if (!ok) waveBuffer_.reset();
    waveLoop_ = loop;
    waveEnded_ = false;
  }
  return ok;
}

void SoundMixer::stopWave() {
  std::unique_ptr<SoundDecoder> d;
  std::shared_ptr<const std::vector<uint8_t>> buffer;
  std::lock_guard<std::mutex> l(mutex_);
  wave_.swap(d);
  waveBuffer_.swap(buffer);
  waveEnded_ = false;
}

bool SoundMixer::wavePlaying() const {
  std::lock_guard<std::mutex> l(mutex_);
  return wave_ != nullptr && !waveEnded_;
}

void SoundMixer::playCd(std::vector<CdTrackFile> tracks) {
  // A play whose first track cannot be opened plays nothing.
  std::vector<CdVoice> voices;
  for (const CdTrackFile& t : tracks) {
    std::unique_ptr<SoundDecoder> d;
    if (!t.hostPath.empty() && t.rawBytes > 0)
      d = SoundDecoder::FromCdAudio(t.hostPath, t.rawOffset, t.rawBytes);
    else if (!t.hostPath.empty())
      d = SoundDecoder::FromFile(t.hostPath);
    if (voices.empty() && !d) break;
    voices.push_back({t.track, std::move(d)});
  }
  std::lock_guard<std::mutex> l(mutex_);
  cd_.swap(voices);  // the old play is released outside the lock
  cdIndex_ = 0;
  cdTrack_.store(cd_.empty() ? 0 : cd_[0].track);
}

void SoundMixer::stopCd() {
  std::vector<CdVoice> voices;
  std::lock_guard<std::mutex> l(mutex_);
  cd_.swap(voices);
  cdIndex_ = 0;
  cdTrack_.store(0);
}

}  // namespace mirt
