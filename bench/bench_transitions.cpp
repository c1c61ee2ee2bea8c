// The transitions on a real clock (the headless platform without virtual
// time).
//
// TransitionDuration/effect/speed: the wall time of one whole transition;
// the counters give its nominal length steps x speed and how far over it
// the run was. The reference beside it, SleepSteps/steps/speed, is the
// plain sleeping loop a naive step wait would be: steps sleeps of speed ms.
//
// TransitionStepWork/effect: the drawing work of one step with the waits
// taken out (a platform whose waits return at once), against the reference
// FrameCopy: one plain 640x480x4 memcpy, the least a full-window step costs.
#include <benchmark/benchmark.h>

#include <QImage>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "graphics/Transitions.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

namespace {

const int kSteps[17] = {0, 10, 10, 10, 10, 320, 240, 32, 43, 15, 4, 320, 320, 480, 480, 16, 4};

QImage Picture(uint32_t seed) {
  QImage img(640, 480, QImage::Format_RGB32);
  uint32_t s = seed;
  for (int y = 0; y < 480; ++y) {
    auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
    for (int x = 0; x < 640; ++x) {
      s = s * 1664525u + 1013904223u;
      row[x] = 0xFF000000u | (s >> 8);
    }
  }
  return img;
}

// Real time, but the step waits return at once: only the work is left.
class NoWaitPlatform : public mirt::HeadlessPlatform {
 public:
  NoWaitPlatform() : HeadlessPlatform(false) {}
  bool sleepUnlessLeftDown(uint32_t) override { return true; }
};

void TransitionDuration(benchmark::State& state) {
  const unsigned effect = unsigned(state.range(0));
  const int speed = int(state.range(1));
  const QImage a = Picture(1), b = Picture(2);
  mirt::HeadlessPlatform platform(false);
  mirt::Player p(platform);
  p.screen().layers().Create();
  bool flip = false;
  double worst = 0, total = 0;
  for (auto _ : state) {
    p.screen().window() = flip ? b : a;
    const auto t0 = std::chrono::steady_clock::now();
    mirt::RunTransition(p.stage(), effect, speed, flip ? a : b);
    const std::chrono::duration<double, std::milli> d = std::chrono::steady_clock::now() - t0;
    worst = std::max(worst, d.count());
    total += d.count();
    flip = !flip;
  }
  const double nominal = kSteps[effect] * speed;
  state.counters["nominal_ms"] = nominal;
  state.counters["mean_over_pct"] =
      (total / double(state.iterations()) - nominal) / nominal * 100.0;
  state.counters["worst_over_pct"] = (worst - nominal) / nominal * 100.0;
}

void SleepSteps(benchmark::State& state) {
  const int steps = int(state.range(0));
  const int speed = int(state.range(1));
  for (auto _ : state)
    for (int i = 0; i < steps; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(speed));
  state.counters["nominal_ms"] = steps * speed;
}

void TransitionStepWork(benchmark::State& state) {
  const unsigned effect = unsigned(state.range(0));
  const QImage a = Picture(1), b = Picture(2);
  NoWaitPlatform platform;
  mirt::Player p(platform);
  p.screen().layers().Create();
  bool flip = false;
  for (auto _ : state) {
    p.screen().window() = flip ? b : a;
    mirt::RunTransition(p.stage(), effect, 10, flip ? a : b);
    flip = !flip;
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * kSteps[effect]);
  state.counters["us_per_step"] =
      benchmark::Counter(double(state.iterations()) * kSteps[effect] / 1e6,
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void FrameCopy(benchmark::State& state) {
  std::vector<uint32_t> from(640 * 480, 1), to(640 * 480);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), to.size() * 4);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations());
}

// Each effect at each speed; the library repeats the short ones until half
// a second has passed, the long ones run once.
void DurationArgs(benchmark::internal::Benchmark* b) {
  for (int speed : {1, 10})
    for (int effect = 1; effect <= 16; ++effect) b->Args({effect, speed});
}

void StepArgs(benchmark::internal::Benchmark* b) {
  for (int effect = 1; effect <= 16; ++effect) b->Arg(effect);
}

}  // namespace

BENCHMARK(TransitionDuration)->Apply(DurationArgs)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(SleepSteps)
    ->Args({10, 10})
    ->Args({480, 10})
    ->Args({480, 1})
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(TransitionStepWork)->Apply(StepArgs)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(FrameCopy)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
