// Presenting one frame in the window: the 640 x 480 picture scaled
// straight into the window's backing store (the black around it in full
// screen is painted when the geometry changes, not at each present).
//
// Present/<case>/<threads>: milliseconds a frame for window scales 2 and 3
// and full screen at 1920 x 1080 and 3840 x 2160 with either filter, on the
// calling thread alone (1) or sharing the rows with the scaler's helper
// (2); Present/0 is the reference in the same run, the picture at its own
// size. FrameCopy/<case> is one memcpy of a whole frame of that size, the
// floor of what a present can cost at the moment.
//
// ScaledTransition/effect/speed: a transition's wall time when every step
// is presented scaled to 1920 x 1080 (smooth, as full screen draws it),
// against its nominal length steps x speed; PlainTransition is the same
// transition presented at 1x.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QRect>
#include <chrono>
#include <cstring>
#include <vector>

#include "graphics/Transitions.h"
#include "platform/PictureGeometry.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/Player.h"

namespace {

using mirt::PictureGeometry;
using mirt::ScaleFilter;

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

struct Target {
  int width, height;
  PictureGeometry geometry;
};

Target TargetFor(int which) {
  switch (which) {
    case 0: return {640, 480, mirt::WindowGeometry(1, 1, ScaleFilter::Smooth)};
    case 1: return {1280, 960, mirt::WindowGeometry(2, 1, ScaleFilter::Smooth)};
    case 2: return {1920, 1440, mirt::WindowGeometry(3, 1, ScaleFilter::Smooth)};
    case 3: return {1920, 1080, mirt::FullScreenGeometry(1920, 1080, 1, ScaleFilter::Nearest)};
    case 4: return {1920, 1080, mirt::FullScreenGeometry(1920, 1080, 1, ScaleFilter::Smooth)};
    case 5: return {3840, 2160, mirt::FullScreenGeometry(3840, 2160, 1, ScaleFilter::Nearest)};
    default: return {3840, 2160, mirt::FullScreenGeometry(3840, 2160, 1, ScaleFilter::Smooth)};
  }
}

const char* kNames[] = {"1x",           "window_2x",     "window_3x",   "1080p_nearest",
                        "1080p_smooth", "2160p_nearest", "2160p_smooth"};

// What the window does for one present: scale into its store.
struct Presenter {
  Target t;
  QImage store;
  mirt::PictureScaler scaler;
  explicit Presenter(const Target& target, bool share = true)
      : t(target), store(t.width, t.height, QImage::Format_RGB32) {
    store.fill(Qt::black);
    if (!share) scaler.SetShareThreshold(INT64_MAX);
  }
  void Present(const QImage& picture) {
    scaler.Scale(picture, store, t.geometry, 0, 0, t.width, t.height);
  }
};

void Present(benchmark::State& state) {
  const QImage a = Picture(1), b = Picture(2);
  Presenter presenter(TargetFor(int(state.range(0))), state.range(1) > 1);
  state.SetLabel(kNames[state.range(0)]);
  bool flip = false;
  for (auto _ : state) {
    presenter.Present(flip ? a : b);
    benchmark::DoNotOptimize(presenter.store.constBits());
    flip = !flip;
  }
}

void FrameCopy(benchmark::State& state) {
  const Target t = TargetFor(int(state.range(0)));
  const size_t bytes = size_t(t.width) * size_t(t.height) * 4;
  std::vector<char> from(bytes, 1), to(bytes, 2);
  state.SetLabel(kNames[state.range(0)]);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
}

// The headless platform on the real clock, presenting as the full-screen
// window does: a present only marks the part of the picture that changed,
// and the next wait paints that part (scaled) before it sleeps what is
// left of its time.
class ScaledPlatform : public mirt::HeadlessPlatform {
 public:
  explicit ScaledPlatform(bool scaled)
      : HeadlessPlatform(false), scaled_(scaled), presenter_(TargetFor(4)) {}
  void present(const QImage& screen) override {
    const QImage before = window();
    HeadlessPlatform::present(screen);
    Mark(before);
  }
  void presentRect(const QImage& screen, int x, int y, int w, int h) override {
    const QImage before = window().copy();
    HeadlessPlatform::presentRect(screen, x, y, w, h);
    Mark(before);
  }
  bool sleepUnlessLeftDown(uint32_t ms) override {
    const uint32_t start = tickCount();
    Paint();
    const uint32_t spent = tickCount() - start;
    return HeadlessPlatform::sleepUnlessLeftDown(spent < ms ? ms - spent : 0);
  }
  bool leftButtonDown() override {
    Paint();
    return HeadlessPlatform::leftButtonDown();
  }

 private:
  void Mark(const QImage& before) {
    int x, y, w, h;
    if (!scaled_ || !mirt::ChangedArea(before, window(), &x, &y, &w, &h)) return;
    stale_ = stale_.united(QRect(x, y, w, h));
  }
  void Paint() {
    if (stale_.isEmpty()) return;
    int dx, dy, dw, dh;
    mirt::DeviceRectFor(presenter_.t.geometry, stale_.x(), stale_.y(), stale_.width(),
                        stale_.height(), &dx, &dy, &dw, &dh);
    stale_ = QRect();
    presenter_.scaler.Scale(window(), presenter_.store, presenter_.t.geometry, dx, dy, dw, dh);
  }
  bool scaled_;
  QRect stale_;
  Presenter presenter_;
};

const int kSteps[17] = {0, 10, 10, 10, 10, 320, 240, 32, 43, 15, 4, 320, 320, 480, 480, 16, 4};

void Transition(benchmark::State& state, bool scaled) {
  const unsigned effect = unsigned(state.range(0));
  const int speed = int(state.range(1));
  const QImage a = Picture(1), b = Picture(2);
  ScaledPlatform platform(scaled);
  mirt::Player p(platform);
  p.screen().layers().Create();
  bool flip = false;
  double total = 0;
  for (auto _ : state) {
    p.screen().window() = flip ? b : a;
    const auto t0 = std::chrono::steady_clock::now();
    mirt::RunTransition(p.stage(), effect, speed, flip ? a : b);
    total +=
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    flip = !flip;
  }
  const double nominal = kSteps[effect] * speed;
  state.counters["nominal_ms"] = nominal;
  state.counters["mean_over_pct"] =
      (total / double(state.iterations()) - nominal) / nominal * 100.0;
}

void ScaledTransition(benchmark::State& state) { Transition(state, true); }
void PlainTransition(benchmark::State& state) { Transition(state, false); }

void TransitionArgs(benchmark::internal::Benchmark* b) {
  for (int effect : {1, 7, 9, 15}) b->Args({effect, 10});
}

}  // namespace

BENCHMARK(Present)
    ->ArgsProduct({benchmark::CreateDenseRange(0, 6, 1), {1, 2}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(FrameCopy)->Arg(3)->Arg(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(PlainTransition)->Apply(TransitionArgs)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(ScaledTransition)->Apply(TransitionArgs)->UseRealTime()->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);  // fonts for the player's layers
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
