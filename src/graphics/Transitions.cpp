// The sixteen transitions. Each draws into the screen's window picture,
// shows it, and waits the step delay; holding the left button cuts the wait
// and with it the effect short.
//
// Effects 1-8 and 11-14 copy rectangles of the source straight into the
// window. The pixel effects (9, 10, 15, 16) work on two CImage surfaces: W,
// the window's contents, and S, the source, and show W after each step.
#include "graphics/Transitions.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <utility>

#include "common/Encoding.h"
#include "graphics/CImage.h"
#include "graphics/Screen.h"
#include "graphics/Stage.h"
#include "platform/Platform.h"
#include "script/Arguments.h"
#include "script/GameState.h"
#include "script/Scenario.h"
#include "script/StoryHost.h"
#include "script/StringTok.h"

namespace mirt {

std::unique_ptr<TransitionSurfaces> NewTransitionSurfaces() {
  return std::make_unique<TransitionSurfaces>();
}

namespace {

constexpr int kW = CImage::kWidth;
constexpr int kH = CImage::kHeight;

// S: the source's pixels, laid out as a CImage's. The source is a 640x480
// RGB32 picture that nothing changes while the effect runs (a change to the
// layer it came from detaches from it), so it is read in place.
struct SourcePixels {
  const uint32_t* pixels;
  const uint32_t* Pixels() const { return pixels; }
  const uint32_t* Row(int y) const { return pixels + y * kW; }
};

class Transition {
 public:
  Transition(Stage& p, int speed, const QImage& source) : p_(p), speed_(speed < 1 ? 1 : speed) {
    surfaces_ = &p.screen().transitionSurfaces();
    if (source.format() == QImage::Format_RGB32 && source.width() == kW && source.height() == kH) {
      source_ = source;
    } else {
      CImage(source).CopyTo(source_);  // makes source_ a 640x480 RGB32 picture
    }
    PrepareWindowSurface(p_.screen().window());
    // Start with the frame that the window does not still show.
    const QImage& first = surfaces_->frames[0];
    if (!first.isNull() && first.constBits() == std::as_const(p_.screen().window()).constBits())
      next_ = 1;
  }

  int steps() const { return steps_; }

  // Gives the processor away inside a long pass, at most once per tick: a
  // yield per row is a trip through the scheduler each on a busy machine.
  void Yield() {
    const uint32_t now = p_.platform().tickCount();
    if (yielded_ && now == lastYield_) return;
    yielded_ = true;
    lastYield_ = now;
    p_.platform().yieldCpu();
  }

  // Copies the rectangle of the source to the same place in the window,
  // clipped to the window.
  void Copy(int x, int y, int w, int h) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, kW), y1 = std::min(y + h, kH);
    if (x0 >= x1 || y0 >= y1) return;
    uint8_t* win = Window();
    const qsizetype winStride = p_.screen().window().bytesPerLine();
    const uint8_t* src = source_.constBits();
    const qsizetype srcStride = source_.bytesPerLine();
    const size_t bytes = size_t(x1 - x0) * 4;
    for (int r = y0; r < y1; ++r)
      std::memcpy(win + r * winStride + x0 * 4, src + r * srcStride + x0 * 4, bytes);
  }

  // Shows the step and waits; false when the wait was cut short, or when
  // the window is closing: no step after that wait is worth waiting for.
  bool EndStep() {
    p_.screen().Present();
    ++steps_;
    return p_.host().WaitOrClick(speed_) != 0 && !p_.host().closed();
  }

  // A whole-window frame to draw into. Two frames take turns, so the one
  // drawn is never the one the platform still holds and nothing is copied
  // to keep them apart. Show it with ShowFrame().
  uint32_t* Frame() {
    QImage& f = surfaces_->frames[next_];
    if (f.isNull()) f = QImage(kW, kH, QImage::Format_RGB32);
    return reinterpret_cast<uint32_t*>(f.bits());
  }
  void ShowFrame() {
    p_.screen().window() = surfaces_->frames[next_];
    next_ ^= 1;
  }
  // Shows a whole picture of CImage layout as the window.
  void Show(const uint32_t* in) {
    uint32_t* out = Frame();
    for (int i = 0; i < CImage::kPixels; ++i) out[i] = in[i] | 0xFF000000u;
    ShowFrame();
  }

  const QImage& source() const { return source_; }
  // W loaded with the window's contents, and the source as S.
  CImage& LoadW() {
    surfaces_->w.Load(p_.screen().window());
    return surfaces_->w;
  }
  SourcePixels S() const { return {reinterpret_cast<const uint32_t*>(source_.constBits())}; }
  Stage& player() { return p_; }

 private:
  // The window's pixels, detached from any copy the platform holds.
  uint8_t* Window() { return p_.screen().window().bits(); }

  Stage& p_;
  int speed_;
  QImage source_;
  TransitionSurfaces* surfaces_;
  int next_ = 0;
  int steps_ = 0;
  bool yielded_ = false;
  uint32_t lastYield_ = 0;
};

// 1 and 2: one column of every 10-pixel band per step.
void ColumnComb(Transition& t, bool reverse) {
  for (int n = 0; n < 10; ++n) {
    const int i = reverse ? 9 - n : n;
    for (int k = 0; k < 64; ++k) t.Copy(10 * k + i, 0, 1, kH);
    if (!t.EndStep()) return;
  }
}

// 3 and 4: one row of every 10-pixel band per step.
void RowComb(Transition& t, bool reverse) {
  for (int n = 0; n < 10; ++n) {
    const int i = reverse ? 9 - n : n;
    for (int k = 0; k < 48; ++k) t.Copy(0, 10 * k + i, kW, 1);
    if (!t.EndStep()) return;
  }
}

// 7 and 8: bands of 15 with a comb of ever thinner strips ahead of the
// solid part; across is the extent the bands run along (480 or 640).
void GradedBands(Transition& t, bool rightward) {
  const int extent = rightward ? kW : kH;
  for (int s = 0; 15 * s < extent; ++s) {
    const int top = 15 * s;
    for (int k = 0; k < 15 && 15 * k < extent; ++k) {
      if (rightward)
        t.Copy(top + 15 * k, 0, 15 - k, kH);
      else
        t.Copy(0, top + 15 * k, kW, 15 - k);
    }
    if (!t.EndStep()) return;
  }
}

// 9: cumulative cross-fade in 15 steps; the window ends on the source even
// when the fade is cut short.
void CrossFade(Transition& t) {
  CImage& w = t.LoadW();
  const SourcePixels s = t.S();
  uint32_t* wp = w.Pixels();
  const uint32_t* sp = s.Pixels();
  for (uint32_t d = 0; d <= 224; d += 16) {
    CrossFadeStep(wp, sp, t.Frame(), d);
    t.ShowFrame();
    if (!t.EndStep()) break;
  }
  t.Show(sp);
  t.player().screen().Present();
}

struct Offset {
  int x, y;
};

// The frame of a pixel effect's step, filled from W row by row right behind
// the pass, while the rows are still in the cache.
class FrameWriter {
 public:
  FrameWriter(Transition& t, const CImage& w) : out_(t.Frame()), w_(w) {}
  // Rows up to (not including) row `upto` go into the frame.
  void Upto(int upto) {
    for (; done_ < upto; ++done_) {
      const uint32_t* in = w_.Row(done_);
      uint32_t* o = out_ + done_ * kW;
      for (int x = 0; x < kW; ++x) o[x] = in[x] | 0xFF000000u;
    }
  }

 private:
  uint32_t* out_;
  const CImage& w_;
  int done_ = 0;
};

// The passes of a pixel dissolve. For each start offset, fill copies that
// pass's pixels from S into W, moving the frame along behind it, and
// returns false when the program is stopping; then W is shown and the step
// waits. afterStep runs after each completed wait; false ends the effect.
template <typename Fill, typename AfterStep>
void DissolvePasses(Transition& t, std::span<const Offset> passes, Fill fill, AfterStep afterStep) {
  CImage& w = t.LoadW();
  const SourcePixels s = t.S();
  for (const Offset& o : passes) {
    FrameWriter frame(t, w);
    const bool alive = fill(o, w, s, frame);
    frame.Upto(kH);
    t.ShowFrame();
    // A stopping program has no use for the passes still to come.
    if (!t.EndStep() || !alive || !afterStep()) return;
  }
}

// 10: four passes of every second pixel; the window's messages are pumped
// after each row.
void PixelDissolve2(Transition& t) {
  static constexpr Offset kPasses[] = {{0, 0}, {1, 1}, {0, 1}, {1, 0}};
  Stage& p = t.player();
  DissolvePasses(
      t, kPasses,
      [&](const Offset& o, CImage& w, const SourcePixels& s, FrameWriter& frame) {
        for (int y = o.y; y < kH; y += 2) {
          uint32_t* wr = w.Row(y);
          const uint32_t* sr = s.Row(y);
          for (int x = o.x; x < kW; x += 2) wr[x] = sr[x];
          frame.Upto(y + 1);
          const bool alive = p.host().PumpMessages();
          t.Yield();
          if (!alive) return false;
        }
        return true;
      },
      [] { return true; });
}

// 15: sixteen passes of every fourth pixel in both directions, the start
// offsets running in a serpentine through the 4x4 cell.
void PixelDissolve4(Transition& t) {
  static constexpr Offset kPasses[] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {2, 1},
                                       {1, 1}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {3, 2},
                                       {3, 3}, {2, 3}, {1, 3}, {0, 3}};
  DissolvePasses(
      t, kPasses,
      [](const Offset& o, CImage& w, const SourcePixels& s, FrameWriter& frame) {
        for (int y = o.y; y < kH; y += 4) {
          uint32_t* wr = w.Row(y);
          const uint32_t* sr = s.Row(y);
          for (int x = o.x; x < kW; x += 4) wr[x] = sr[x];
          frame.Upto(y + 1);
        }
        return true;
      },
      [] { return true; });
}

// 16: four passes of 2x2 blocks in 4x4 cells; messages are pumped after
// each pass.
void BlockDissolve(Transition& t) {
  static constexpr Offset kPasses[] = {{0, 0}, {2, 2}, {0, 2}, {2, 0}};
  Stage& p = t.player();
  DissolvePasses(
      t, kPasses,
      [&](const Offset& o, CImage& w, const SourcePixels& s, FrameWriter& frame) {
        for (int y = o.y; y < kH; y += 4) {
          for (int r = y; r < y + 2; ++r) {
            uint32_t* wr = w.Row(r);
            const uint32_t* sr = s.Row(r);
            for (int x = o.x; x < kW; x += 4) {
              wr[x] = sr[x];
              wr[x + 1] = sr[x + 1];
            }
          }
          frame.Upto(y + 2);
          t.Yield();
        }
        return true;
      },
      [&] { return p.host().PumpMessages(); });
}

}  // namespace

void RunTransition(Stage& p, unsigned effect, int speed, const QImage& source) {
  if (effect < 1 || effect > 16) return;
  Transition t(p, speed, source);
  switch (effect) {
    case 1: ColumnComb(t, false); break;
    case 2: ColumnComb(t, true); break;
    case 3: RowComb(t, false); break;
    case 4: RowComb(t, true); break;
    case 5:
      for (int i = 0; i < kW; i += 2) {
        t.Copy(i, 0, 1, kH);
        t.Copy(kW - 1 - i, 0, 1, kH);
        if (!t.EndStep()) break;
      }
      break;
    case 6:
      for (int i = 0; i < kH; i += 2) {
        t.Copy(0, i, kW, 1);
        t.Copy(0, kH - 1 - i, kW, 1);
        if (!t.EndStep()) break;
      }
      break;
    case 7: GradedBands(t, false); break;
    case 8: GradedBands(t, true); break;
    case 9: CrossFade(t); break;
    case 10: PixelDissolve2(t); break;
    case 11:
      for (int x = 0; x < kW; x += 2) {
        t.Copy(x, 0, 2, kH);
        if (!t.EndStep()) break;
      }
      break;
    case 12:
      for (int x = kW - 2; x >= 0; x -= 2) {
        t.Copy(x, 0, 2, kH);
        if (!t.EndStep()) break;
      }
      break;
    case 13:
      for (int y = 0; y < kH; ++y) {
        t.Copy(0, y, kW, 2);
        if (!t.EndStep()) break;
      }
      break;
    case 14:
      for (int y = kH - 1; y >= 0; --y) {
        t.Copy(0, y, kW, 2);
        if (!t.EndStep()) break;
      }
      break;
    case 15: PixelDissolve4(t); break;
    case 16: BlockDissolve(t); break;
  }
  p.host().TraceEvent(
      "transition", JsonObject().Int("effect", effect).Int("speed", speed).Int("steps", t.steps()));
}

}  // namespace mirt
