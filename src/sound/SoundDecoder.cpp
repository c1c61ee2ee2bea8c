#include "sound/SoundDecoder.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

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

constexpr size_t kChunk = 1024;  // source frames decoded at a time

}  // namespace

std::unique_ptr<SoundDecoder> SoundDecoder::FromMemory(std::shared_ptr<const std::vector<uint8_t>> bytes) {
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
  // The file is decoded as it plays, on the audio thread: ask the system to
  // read it into the page cache ahead, so that those reads do not wait for
  // the disk.
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    posix_fadvise(fd, 0, 0, POSIX_FADV_WILLNEED);
    ::close(fd);
  }
  std::unique_ptr<SoundDecoder> d(new SoundDecoder);
  SF_INFO info{};
  d->file_ = sf_open(hostPath.c_str(), SFM_READ, &info);
  return Opened(std::move(d), info);
}

std::unique_ptr<SoundDecoder> SoundDecoder::Opened(std::unique_ptr<SoundDecoder> d, const SF_INFO& info) {
  if (!d->file_) return nullptr;
  d->channels_ = info.channels;
  d->rate_ = info.samplerate;
  if (!d->init()) return nullptr;
  return d;
}

SoundDecoder::~SoundDecoder() {
  if (file_) sf_close(file_);
}

bool SoundDecoder::init() {
  if (channels_ < 1 || channels_ > 256 || rate_ < 1000 || rate_ > 768000) return false;
  sf_command(file_, SFC_SET_NORM_FLOAT, nullptr, SF_TRUE);
  step_ = double(rate_) / kAudioRate;
  raw_.resize(kChunk * size_t(channels_));
  src_.reserve(4 * kChunk);  // two chunks of stereo frames: fill() never grows it
  return true;
}

bool SoundDecoder::rewind() {
  if (sf_seek(file_, 0, SEEK_SET) < 0) return false;
  src_.clear();
  srcFrames_ = 0;
  pos_ = 0;
  ended_ = false;
  return true;
}

bool SoundDecoder::fill() {
  if (ended_) return false;
  sf_count_t got = sf_readf_float(file_, raw_.data(), sf_count_t(kChunk));
  if (got <= 0) {
    ended_ = true;
    return false;
  }
  // Drop what has been consumed, keeping the frame interpolation still needs.
  size_t keep = size_t(pos_);
  if (keep > 0) {
    keep = std::min(keep, srcFrames_);
    src_.erase(src_.begin(), src_.begin() + ptrdiff_t(keep * 2));
    srcFrames_ -= keep;
    pos_ -= double(keep);
  }
  for (sf_count_t i = 0; i < got; ++i) {
    const float* f = raw_.data() + size_t(i) * size_t(channels_);
    float l = f[0], r = channels_ > 1 ? f[1] : f[0];
    // A float file may hold anything: NaN and infinities become silence and
    // values past full scale are cut to it, so that neither the resampler's
    // interpolation nor the mix can overflow into a non-finite sample.
    l = std::isfinite(l) ? std::clamp(l, -1.0f, 1.0f) : 0.0f;
    r = std::isfinite(r) ? std::clamp(r, -1.0f, 1.0f) : 0.0f;
    src_.push_back(l);
    src_.push_back(r);
  }
  srcFrames_ += size_t(got);
  return true;
}

size_t SoundDecoder::read(float* out, size_t frames) {
  size_t n = 0;
  while (n < frames) {
    size_t i = size_t(pos_);
    // Linear interpolation wants frame i + 1 too, except at the very end.
    if (i + 1 >= srcFrames_ && !ended_) {
      fill();
      continue;
    }
    if (i >= srcFrames_) break;
    double frac = pos_ - double(i);
    const float* a = &src_[i * 2];
    const float* b = i + 1 < srcFrames_ ? &src_[(i + 1) * 2] : a;
    out[n * 2] = float(a[0] + (b[0] - a[0]) * frac);
    out[n * 2 + 1] = float(a[1] + (b[1] - a[1]) * frac);
    ++n;
    pos_ += step_;
  }
  return n;
}

}  // namespace mirt
