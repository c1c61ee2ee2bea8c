// Resampling of WAVE and CD sounds to the 44100 Hz output stream: quality
// and cost of each way of doing it, next to the linear interpolation the
// decoder used before, in the same run.
//
//   Resample/<way>/<rate>  2 s of a 1 kHz sine at half of full scale
//                          (stereo float) at <rate> Hz, converted to
//                          44100 Hz in 512-frame blocks as the audio thread
//                          pulls them, source frames fed 1024 at a time as
//                          the decoder reads them
//   Decoder/<rate>         the player's SoundDecoder on a float WAVE file of
//                          that sine in memory: decoding and resampling
//
// Counters: snr_db, the tone against everything else: the output (its first
// and last 20 ms left out) is fitted by least squares with a 1 kHz sine and
// cosine and a constant; snr_db = 10 log10(energy of the fitted tone /
// energy of the residual), i.e. -(THD+N). ns_per_frame: time per output frame.
// MIRT_RESAMPLE_WAV=DIR also writes every conversion to DIR for listening.
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <samplerate.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "sound/SoundDecoder.h"

namespace {

constexpr int kOut = 44100;
constexpr double kTone = 1000;
constexpr double kSeconds = 2;
constexpr size_t kBlock = 512;   // output frames per pull
constexpr size_t kChunk = 1024;  // source frames per read

std::vector<float> Sine(int rate) {
  std::vector<float> s(size_t(rate * kSeconds) * 2);
  for (size_t i = 0; i < s.size() / 2; ++i)
    s[2 * i] = s[2 * i + 1] = float(0.5 * std::sin(2 * M_PI * kTone * double(i) / rate));
  return s;
}

// The source, kChunk stereo frames at a time.
struct Source {
  const std::vector<float>* samples;
  size_t at = 0;
  size_t next(const float** data) {
    size_t n = std::min(kChunk, samples->size() / 2 - at);
    *data = samples->data() + at * 2;
    at += n;
    return n;
  }
};

class Way {
 public:
  virtual ~Way() = default;
  virtual size_t read(float* out, size_t frames) = 0;  // fewer only at the end
};

// The decoder's interpolation before libsamplerate, as it was.
class Linear final : public Way {
 public:
  Linear(Source s, int rate) : src_(s), step_(double(rate) / kOut) { buf_.reserve(4 * kChunk); }
  size_t read(float* out, size_t frames) override {
    size_t n = 0;
    while (n < frames) {
      size_t i = size_t(pos_);
      if (i + 1 >= frames_ && !ended_) {
        fill();
        continue;
      }
      if (i >= frames_) break;
      double frac = pos_ - double(i);
      const float* a = &buf_[i * 2];
      const float* b = i + 1 < frames_ ? &buf_[(i + 1) * 2] : a;
      out[n * 2] = float(a[0] + (b[0] - a[0]) * frac);
      out[n * 2 + 1] = float(a[1] + (b[1] - a[1]) * frac);
      ++n;
      pos_ += step_;
    }
    return n;
  }

 private:
  void fill() {
    const float* d;
    size_t got = src_.next(&d);
    if (got == 0) {
      ended_ = true;
      return;
    }
    size_t keep = std::min(size_t(pos_), frames_);
    buf_.erase(buf_.begin(), buf_.begin() + ptrdiff_t(keep * 2));
    frames_ -= keep;
    pos_ -= double(keep);
    buf_.insert(buf_.end(), d, d + got * 2);
    frames_ += got;
  }
  Source src_;
  std::vector<float> buf_;
  size_t frames_ = 0;
  double pos_ = 0, step_;
  bool ended_ = false;
};

// The nearest earlier source frame: what the quality measure must reject.
class Nearest final : public Way {
 public:
  Nearest(Source s, int rate) : all_(*s.samples), step_(double(rate) / kOut) {}
  size_t read(float* out, size_t frames) override {
    size_t n = 0;
    for (; n < frames; ++n, pos_ += step_) {
      size_t i = size_t(pos_);
      if (i >= all_.size() / 2) break;
      out[2 * n] = all_[2 * i];
      out[2 * n + 1] = all_[2 * i + 1];
    }
    return n;
  }

 private:
  const std::vector<float>& all_;
  double pos_ = 0, step_;
};

// SDL2's audio stream (its own windowed-sinc resampler), fed as the decoder
// reads or, for comparison, all of the sound at once.
class SdlStream final : public Way {
 public:
  SdlStream(Source s, int rate, bool whole) : src_(s) {
    stream_ = SDL_NewAudioStream(AUDIO_F32SYS, 2, rate, AUDIO_F32SYS, 2, kOut);
    if (whole) {
      SDL_AudioStreamPut(stream_, s.samples->data(), int(s.samples->size() * sizeof(float)));
      SDL_AudioStreamFlush(stream_);
      flushed_ = true;
    }
  }
  ~SdlStream() override { SDL_FreeAudioStream(stream_); }
  size_t read(float* out, size_t frames) override {
    const int want = int(frames * 2 * sizeof(float));
    while (SDL_AudioStreamAvailable(stream_) < want && !flushed_) {
      const float* d;
      size_t got = src_.next(&d);
      if (got)
        SDL_AudioStreamPut(stream_, d, int(got * 2 * sizeof(float)));
      else
        SDL_AudioStreamFlush(stream_), flushed_ = true;
    }
    int bytes = SDL_AudioStreamGet(stream_, out, want);
    return bytes > 0 ? size_t(bytes) / (2 * sizeof(float)) : 0;
  }

 private:
  Source src_;
  SDL_AudioStream* stream_;
  bool flushed_ = false;
};

// libsamplerate's callback interface, one of its converters.
class Src final : public Way {
 public:
  Src(Source s, int rate, int type) : src_(s), ratio_(double(kOut) / rate) {
    int error = 0;
    state_ = src_callback_new(&Src::input, type, 2, &error, this);
  }
  ~Src() override { src_delete(state_); }
  size_t read(float* out, size_t frames) override {
    long n = src_callback_read(state_, ratio_, long(frames), out);
    return n > 0 ? size_t(n) : 0;
  }

 private:
  static long input(void* self, float** data) {
    const float* d;
    size_t n = static_cast<Src*>(self)->src_.next(&d);
    *data = const_cast<float*>(d);
    return long(n);
  }
  Source src_;
  double ratio_;
  SRC_STATE* state_ = nullptr;
};

// The player's decoder on a float WAVE file in memory.
class Decoder final : public Way {
 public:
  explicit Decoder(std::unique_ptr<mirt::SoundDecoder> d) : d_(std::move(d)) {}
  size_t read(float* out, size_t frames) override { return d_ ? d_->read(out, frames) : 0; }

 private:
  std::unique_ptr<mirt::SoundDecoder> d_;
};

std::shared_ptr<const std::vector<uint8_t>> FloatWave(const std::vector<float>& stereo, int rate) {
  char path[] = "/tmp/mirt-resample-XXXXXX";
  close(mkstemp(path));
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
  SNDFILE* f = sf_open(path, SFM_WRITE, &info);
  sf_writef_float(f, stereo.data(), sf_count_t(stereo.size() / 2));
  sf_close(f);
  std::ifstream in(path, std::ios::binary);
  auto bytes = std::make_shared<std::vector<uint8_t>>((std::istreambuf_iterator<char>(in)),
                                                      std::istreambuf_iterator<char>());
  std::remove(path);
  return bytes;
}

// Tone to residual, in dB, of the left channel without its edges.
double SnrDb(const std::vector<float>& stereo) {
  size_t edge = kOut / 50, n = stereo.size() / 2;
  if (n < 3 * edge) return -999;
  // Normal equations for y = a sin + b cos + c.
  double m[3][3] = {}, v[3] = {};
  const double w = 2 * M_PI * kTone / kOut;
  for (size_t i = edge; i < n - edge; ++i) {
    double f[3] = {std::sin(w * double(i)), std::cos(w * double(i)), 1}, y = stereo[2 * i];
    for (int r = 0; r < 3; ++r) {
      v[r] += f[r] * y;
      for (int c = 0; c < 3; ++c) m[r][c] += f[r] * f[c];
    }
  }
  for (int p = 0; p < 3; ++p)  // Gauss-Jordan; the matrix is well conditioned
    for (int r = 0; r < 3; ++r) {
      if (r == p) continue;
      double k = m[r][p] / m[p][p];
      for (int c = 0; c < 3; ++c) m[r][c] -= k * m[p][c];
      v[r] -= k * v[p];
    }
  double a = v[0] / m[0][0], b = v[1] / m[1][1], c = v[2] / m[2][2];
  double tone = 0, rest = 0;
  for (size_t i = edge; i < n - edge; ++i) {
    double t = a * std::sin(w * double(i)) + b * std::cos(w * double(i));
    double e = stereo[2 * i] - t - c;
    tone += t * t;
    rest += e * e;
  }
  return 10 * std::log10(tone / std::max(rest, 1e-300));
}

void Listen(const std::string& name, const std::vector<float>& stereo) {
  const char* dir = std::getenv("MIRT_RESAMPLE_WAV");
  if (!dir) return;
  std::string path = std::string(dir) + "/" + name + ".wav";
  for (char& ch : path)
    if (ch == ':') ch = '_';
  SF_INFO info{};
  info.samplerate = kOut;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  if (SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info)) {
    sf_writef_float(f, stereo.data(), sf_count_t(stereo.size() / 2));
    sf_close(f);
  }
}

enum Kind { kLinear, kNearest, kSdl, kSdlWhole, kSrcFastest, kSrcMedium, kSrcBest, kDecoder };

std::unique_ptr<Way> Make(Kind k, const std::vector<float>& sine, int rate,
                          const std::shared_ptr<const std::vector<uint8_t>>& wave) {
  Source s{&sine};
  switch (k) {
    case kLinear: return std::make_unique<Linear>(s, rate);
    case kNearest: return std::make_unique<Nearest>(s, rate);
    case kSdl: return std::make_unique<SdlStream>(s, rate, false);
    case kSdlWhole: return std::make_unique<SdlStream>(s, rate, true);
    case kSrcFastest: return std::make_unique<Src>(s, rate, SRC_SINC_FASTEST);
    case kSrcMedium: return std::make_unique<Src>(s, rate, SRC_SINC_MEDIUM_QUALITY);
    case kSrcBest: return std::make_unique<Src>(s, rate, SRC_SINC_BEST_QUALITY);
    case kDecoder: return std::make_unique<Decoder>(mirt::SoundDecoder::FromMemory(wave));
  }
  return nullptr;
}

void Run(benchmark::State& state, Kind kind, const std::string& name) {
  const int rate = int(state.range(0));
  const std::vector<float> sine = Sine(rate);
  auto wave = kind == kDecoder ? FloatWave(sine, rate) : nullptr;
  std::vector<float> out(size_t(kOut * kSeconds * 1.1) * 2);
  size_t total = 0;
  for (auto _ : state) {
    std::unique_ptr<Way> way = Make(kind, sine, rate, wave);
    total = 0;
    for (size_t n;
         total + kBlock <= out.size() / 2 && (n = way->read(out.data() + 2 * total, kBlock)) > 0;)
      total += n;
    benchmark::DoNotOptimize(out.data());
  }
  out.resize(total * 2);
  state.counters["snr_db"] = SnrDb(out);
  state.counters["out_frames"] = double(total);
  state.counters["ns_per_frame"] =
      benchmark::Counter(double(total) * double(state.iterations()) * 1e-9,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  Listen(name + "_" + std::to_string(rate), out);
}

void Register(const char* name, Kind kind) {
  benchmark::RegisterBenchmark(name, [kind, name](benchmark::State& s) { Run(s, kind, name); })
      ->Arg(8000)
      ->Arg(22050)
      ->Arg(32000)
      ->Arg(48000)
      ->Unit(benchmark::kMillisecond);
}

}  // namespace

int main(int argc, char** argv) {
  Register("Resample/Linear", kLinear);
  Register("Resample/Nearest", kNearest);
  Register("Resample/SdlAudioStream", kSdl);
  Register("Resample/SdlAudioStreamWhole", kSdlWhole);
  Register("Resample/SrcSincFastest", kSrcFastest);
  Register("Resample/SrcSincMedium", kSrcMedium);
  Register("Resample/SrcSincBest", kSrcBest);
  Register("Decoder", kDecoder);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
