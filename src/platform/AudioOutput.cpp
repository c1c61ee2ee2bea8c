#include "platform/AudioOutput.h"

#include <SDL.h>
#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/MonotonicClock.h"
#include "platform/SdlSubsystems.h"

namespace mirt {

// ---- AudioClock -------------------------------------------------------------

void AudioClock::blockStarted(uint64_t startFrame, size_t frames) {
  std::lock_guard<std::mutex> l(mutex_);
  startFrame_ = startFrame;
  frames_ = frames;
  startNs_ = MonotonicNs();
}

uint64_t AudioClock::now() const {
  std::lock_guard<std::mutex> l(mutex_);
  if (frames_ == 0) return startFrame_;
  int64_t elapsed = std::max<int64_t>(0, MonotonicNs() - startNs_);
  uint64_t into = uint64_t(elapsed) * kAudioRate / 1000000000;
  // One block of latency: the block that starts after this one is the
  // earliest that can still take the message at that distance.
  return startFrame_ + frames_ + std::min<uint64_t>(into, frames_ * 4);
}

// ---- NullAudioOutput ----------------------------------------------------------

NullAudioOutput::NullAudioOutput(size_t blockFrames)
    : block_(blockFrames), worker_([this] { run(); }) {}

NullAudioOutput::~NullAudioOutput() {
  quit_ = true;
  worker_.join();
}

void NullAudioOutput::setSource(AudioSource* source) {
  std::lock_guard<std::mutex> l(mutex_);
  source_ = source;
}

void NullAudioOutput::run() {
  std::vector<float> buf(block_ * 2);
  uint64_t frame = 0;
  int64_t start = MonotonicNs();
  while (!quit_) {
    clock_.blockStarted(frame, block_);
    {
      std::lock_guard<std::mutex> l(mutex_);
      if (source_) source_->renderAudio(buf.data(), block_, frame);
    }
    frame += block_;
    SleepUntilNs(start + int64_t(frame * 1000000000 / kAudioRate));
  }
}

// ---- SdlAudioOutput -----------------------------------------------------------

std::unique_ptr<SdlAudioOutput> SdlAudioOutput::Open(size_t blockFrames,
                                                     const std::string& device) {
  if (!SdlInitSubsystem(SDL_INIT_AUDIO)) return nullptr;
  std::unique_ptr<SdlAudioOutput> out(new SdlAudioOutput);
  SDL_AudioSpec want{}, have{};
  want.freq = kAudioRate;
  want.format = AUDIO_F32SYS;
  want.channels = 2;
  want.samples = uint16_t(blockFrames);
  want.callback = &SdlAudioOutput::callback;
  want.userdata = out.get();
  out->device_ = SDL_OpenAudioDevice(device.empty() ? nullptr : device.c_str(), 0, &want, &have, 0);
  if (out->device_ == 0) {
    SdlQuitSubsystem(SDL_INIT_AUDIO);
    return nullptr;
  }
  SDL_PauseAudioDevice(out->device_, 0);
  return out;
}

SdlAudioOutput::~SdlAudioOutput() {
  if (device_) SDL_CloseAudioDevice(device_);
  SdlQuitSubsystem(SDL_INIT_AUDIO);
}

void SdlAudioOutput::setSource(AudioSource* source) {
  // The device lock keeps the callback out while the source changes.
  SDL_LockAudioDevice(device_);
  {
    std::lock_guard<std::mutex> l(mutex_);
    source_ = source;
  }
  SDL_UnlockAudioDevice(device_);
}

void SdlAudioOutput::callback(void* user, uint8_t* stream, int len) {
  auto* self = static_cast<SdlAudioOutput*>(user);
  size_t frames = size_t(len) / (2 * sizeof(float));
  float* out = reinterpret_cast<float*>(stream);
  self->clock_.blockStarted(self->frame_, frames);
  std::lock_guard<std::mutex> l(self->mutex_);
  if (self->source_)
    self->source_->renderAudio(out, frames, self->frame_);
  else
    std::memset(stream, 0, size_t(len));
  self->frame_ += frames;
}

namespace {
void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

std::unique_ptr<AudioOutput> OpenDefaultAudioOutput(const std::string& device) {
  // SDL tries its back ends in turn; libasound would report every failed
  // attempt on stderr. One line of our own instead.
  snd_lib_error_set_handler(&QuietAlsa);
  if (!device.empty()) {
    if (auto sdl = SdlAudioOutput::Open(512, device)) return sdl;
    std::fprintf(stderr, "mirt: no audio device '%s' (%s); the default instead\n", device.c_str(),
                 SDL_GetError());
  }
  if (auto sdl = SdlAudioOutput::Open()) return sdl;
  std::fprintf(stderr, "mirt: no audio device (%s); playing silently\n", SDL_GetError());
  return std::make_unique<NullAudioOutput>();
}

// ---- WaveFileWriter -----------------------------------------------------------

bool WaveFileWriter::open(const std::string& hostPath) {
  close();
  SF_INFO info{};
  info.samplerate = kAudioRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  file_ = sf_open(hostPath.c_str(), SFM_WRITE, &info);
  return file_ != nullptr;
}

// The mix may pass full scale; it is cut here, since libsndfile would wrap
// it round. (libsndfile's own clipping scales by 32768 rather than 32767
// and so moves many samples within full scale by a step too.)
void WaveFileWriter::write(const float* stereo, size_t frames) {
  if (!file_) return;
  block_.resize(frames * 2);
  for (size_t i = 0; i < frames * 2; ++i) {
    float v = stereo[i];
    block_[i] = std::isfinite(v) ? std::clamp(v, -1.0f, 1.0f) : 0.0f;
  }
  sf_writef_float(file_, block_.data(), sf_count_t(frames));
}

void WaveFileWriter::close() {
  if (!file_) return;
  sf_close(file_);
  file_ = nullptr;
}

}  // namespace mirt
