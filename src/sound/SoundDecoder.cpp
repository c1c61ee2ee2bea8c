#include "sound/SoundDecoder.h"

#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "platform/HostFolder.h"
#include "platform/Platform.h"

namespace mirt {
namespace {

using Memory = SoundDecoder::Memory;

sf_count_t MemLength(void* user) { return sf_count_t(static_cast<Memory*>(user)->bytes->size()); }

sf_count_t MemSeek(sf_count_t offset, int whence, void* user) {
  auto* m = static_cast<Memory*>(user);
  int64_t size = int64_t(m->bytes->size());
  int64_t base = whence == SEEK_CUR ? m->pos : whence == SEEK_END ? size : 0;
  int64_t to = base + offset;
  if (to < 0) return -1;
  m->pos = std::min(to, size);
  return m->pos;
}

sf_count_t MemRead(void* ptr, sf_count_t count, void* user) {
  auto* m = static_cast<Memory*>(user);
  int64_t size = int64_t(m->bytes->size());
  int64_t n = std::clamp<int64_t>(size - m->pos, 0, std::max<sf_count_t>(count, 0));
  if (n > 0) std::memcpy(ptr, m->bytes->data() + m->pos, size_t(n));
  m->pos += n;
  return n;
}

sf_count_t MemWrite(const void*, sf_count_t, void*) { return 0; }

sf_count_t MemTell(void* user) { return static_cast<Memory*>(user)->pos; }

using Region = SoundDecoder::Region;

sf_count_t RegionLength(void* user) { return static_cast<Region*>(user)->size; }

sf_count_t RegionSeek(sf_count_t offset, int whence, void* user) {
  auto* r = static_cast<Region*>(user);
  int64_t base = whence == SEEK_CUR ? r->pos : whence == SEEK_END ? r->size : 0;
  int64_t to = base + offset;
  if (to < 0) return -1;
  r->pos = std::min(to, r->size);
  return r->pos;
}

sf_count_t RegionRead(void* ptr, sf_count_t count, void* user) {
  auto* r = static_cast<Region*>(user);
  int64_t n = std::clamp<int64_t>(r->size - r->pos, 0, std::max<sf_count_t>(count, 0));
  ssize_t got = n > 0 ? ::pread(r->fd, ptr, size_t(n), r->offset + r->pos) : 0;
  if (got <= 0) return 0;
  r->pos += got;
  return got;
}

sf_count_t RegionTell(void* user) { return static_cast<Region*>(user)->pos; }

constexpr size_t kChunk = 1024;  // source frames decoded at a time

}  // namespace

std::unique_ptr<SoundDecoder> SoundDecoder::FromMemory(
    std::shared_ptr<const std::vector<uint8_t>> bytes) {
  if (!bytes || bytes->empty()) return nullptr;
  std::unique_ptr<SoundDecoder> d(new SoundDecoder);
  d->memory_ = std::make_unique<Memory>();
  d->memory_->bytes = std::move(bytes);
  static SF_VIRTUAL_IO io = {MemLength, MemSeek, MemRead, MemWrite, MemTell};
  SF_INFO info{};
  d->file_ = sf_open_virtual(&io, SFM_READ, &info, d->memory_.get());
  return Opened(std::move(d), info);
}

std::unique_ptr<SoundDecoder> SoundDecoder::FromFile(const std::string& hostPath) {
  // The file is decoded as it plays, on the audio thread, whose reads
  // should not wait for the disk.
  ReadAheadHint(hostPath);
  std::unique_ptr<SoundDecoder> d(new SoundDecoder);
  SF_INFO info{};
  d->file_ = sf_open(hostPath.c_str(), SFM_READ, &info);
  return Opened(std::move(d), info);
}

std::unique_ptr<SoundDecoder> SoundDecoder::FromCdAudio(const std::string& hostPath,
                                                        uint64_t offset, uint64_t bytes) {
  std::unique_ptr<SoundDecoder> d(new SoundDecoder);
  d->region_ = std::make_unique<Region>();
  d->region_->fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (d->region_->fd < 0) return nullptr;
  d->region_->offset = int64_t(offset);
  d->region_->size = int64_t(bytes);
  posix_fadvise(d->region_->fd, off_t(offset), off_t(bytes), POSIX_FADV_WILLNEED);
  static SF_VIRTUAL_IO io = {RegionLength, RegionSeek, RegionRead, MemWrite, RegionTell};
  SF_INFO info{};
  info.samplerate = kAudioRate;
  info.channels = 2;
  info.format = SF_FORMAT_RAW | SF_FORMAT_PCM_16 | SF_ENDIAN_LITTLE;
  d->file_ = sf_open_virtual(&io, SFM_READ, &info, d->region_.get());
  return Opened(std::move(d), info);
}

std::unique_ptr<SoundDecoder> SoundDecoder::Opened(std::unique_ptr<SoundDecoder> d,
                                                   const SF_INFO& info) {
  if (!d->file_) return nullptr;
  d->channels_ = info.channels;
  d->rate_ = info.samplerate;
  if (!d->init()) return nullptr;
  return d;
}

SoundDecoder::~SoundDecoder() {
  if (resampler_) src_delete(resampler_);
  if (file_) sf_close(file_);
  if (region_ && region_->fd >= 0) ::close(region_->fd);
}

bool SoundDecoder::init() {
  if (channels_ < 1 || channels_ > 256 || rate_ < 1000 || rate_ > 768000) return false;
  sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  raw_.resize(kChunk * size_t(channels_));
  src_.resize(kChunk * 2);
  if (rate_ != kAudioRate) {
    ratio_ = double(kAudioRate) / rate_;
    int error = 0;
    resampler_ = src_callback_new(&SoundDecoder::resamplerInput, SRC_SINC_FASTEST, 2, &error, this);
    if (!resampler_) return false;
  }
  return true;
}

bool SoundDecoder::rewind() {
  if (sf_seek(file_, 0, SEEK_SET) < 0) return false;
  if (resampler_) src_reset(resampler_);
  srcFrames_ = 0;
  srcPos_ = 0;
  ended_ = false;
  return true;
}

bool SoundDecoder::fill() {
  srcFrames_ = 0;
  srcPos_ = 0;
  if (ended_) return false;
  sf_count_t got = sf_readf_float(file_, raw_.data(), sf_count_t(kChunk));
  if (got <= 0) {
    ended_ = true;
    return false;
  }
  for (sf_count_t i = 0; i < got; ++i) {
    const float* f = raw_.data() + size_t(i) * size_t(channels_);
    float l = f[0], r = channels_ > 1 ? f[1] : f[0];
    // A float file may hold anything: NaN and infinities become silence and
    // values past full scale are cut to it, so that the resampler's filter
    // cannot overflow into a non-finite sample.
    src_[size_t(i) * 2] = std::isfinite(l) ? std::clamp(l, -1.0f, 1.0f) : 0.0f;
    src_[size_t(i) * 2 + 1] = std::isfinite(r) ? std::clamp(r, -1.0f, 1.0f) : 0.0f;
  }
  srcFrames_ = size_t(got);
  return true;
}

long SoundDecoder::resamplerInput(void* self, float** data) {
  auto* d = static_cast<SoundDecoder*>(self);
  *data = d->src_.data();
  return d->fill() ? long(d->srcFrames_) : 0;
}

size_t SoundDecoder::read(float* out, size_t frames) {
  if (resampler_) {
    long got = src_callback_read(resampler_, ratio_, long(frames), out);
    size_t n = got > 0 ? size_t(got) : 0;
    // The filter rings past full scale next to a full-scale step.
    for (size_t i = 0; i < n * 2; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
    return n;
  }
  size_t n = 0;
  while (n < frames) {
    if (srcPos_ >= srcFrames_ && !fill()) break;
    size_t k = std::min(frames - n, srcFrames_ - srcPos_);
    std::memcpy(out + n * 2, src_.data() + srcPos_ * 2, k * 2 * sizeof(float));
    n += k;
    srcPos_ += k;
  }
  return n;
}

}  // namespace mirt
