// Packed-picture decoding of a 640x480 24-bit bitmap file against zlib
// inflate of the same bytes (deflated at level 6). Throughput is bytes of
// output per second.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <algorithm>
#include <random>

#include "graphics/BmpDecoder.h"
#include "graphics/PackedPicture.h"

namespace {

std::vector<uint8_t> Bitmap(bool photo) {
  QImage img(640, 480, QImage::Format_RGB32);
  std::mt19937 rng(1);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (!photo) {
        img.setPixel(x, y, x < 320 ? qRgb(0, 0, 128) : qRgb(240, 240, 240));
        continue;
      }
      // Smooth gradients with sensor-like noise.
      const int n = int(rng() % 9) - 4;
      img.setPixel(
          x, y,
          qRgb(std::clamp(x * 255 / 640 + n, 0, 255), std::clamp(y * 255 / 480 + n, 0, 255),
               std::clamp((x + y) * 255 / 1120 + n, 0, 255)));
    }
  return mirt::EncodeBmp24(img);
}

void PackedUnpack(benchmark::State& state) {
  const auto bmp = Bitmap(state.range(0) != 0);
  const auto packed = mirt::EncodePacked(bmp.data(), bmp.size());
  std::vector<uint8_t> out;
  for (auto _ : state) {
    if (mirt::UnpackPacked(packed.data(), packed.size(), out) != mirt::PackedStatus::kOk)
      state.SkipWithError("unpack failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bmp.size()));
  state.counters["ratio"] = double(packed.size()) / double(bmp.size());
}

void PackedToImage(benchmark::State& state) {
  const auto bmp = Bitmap(state.range(0) != 0);
  const auto packed = mirt::EncodePacked(bmp.data(), bmp.size());
  QImage img;
  for (auto _ : state) {
    if (!mirt::DecodePacked(packed.data(), packed.size(), img))
      state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(img.constBits());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bmp.size()));
}

void ZlibInflate(benchmark::State& state) {
  const auto bmp = Bitmap(state.range(0) != 0);
  uLongf zlen = compressBound(uLong(bmp.size()));
  std::vector<uint8_t> z(zlen);
  compress2(z.data(), &zlen, bmp.data(), uLong(bmp.size()), 6);
  z.resize(zlen);
  std::vector<uint8_t> out(bmp.size());
  for (auto _ : state) {
    uLongf n = uLongf(out.size());
    if (uncompress(out.data(), &n, z.data(), uLong(z.size())) != Z_OK)
      state.SkipWithError("inflate failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bmp.size()));
  state.counters["ratio"] = double(z.size()) / double(bmp.size());
}

}  // namespace

// Argument 1: photo-like; 0: flat.
BENCHMARK(PackedUnpack)->Arg(1)->Arg(0);
BENCHMARK(PackedToImage)->Arg(1)->Arg(0);
BENCHMARK(ZlibInflate)->Arg(1)->Arg(0);
BENCHMARK_MAIN();
