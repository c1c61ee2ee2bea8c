// The sixteen transitions, step by step: which pixels of the window show the
// new picture after each step, the cross-fade's arithmetic, and how the
// held button, speed 0 and the numbers outside 1..16 behave.
#include <gtest/gtest.h>

#include <QImage>
#include <fstream>
#include <functional>
#include <string>

#include "GameFixture.h"
#include "PictureFixture.h"
#include "StepPlatform.h"
#include "graphics/CImage.h"
#include "graphics/Transitions.h"

using mirt_test::NewPicture;
using mirt_test::Noise;
using mirt_test::OldPicture;
using mirt_test::StepPlayer;

namespace {

// Whether pixel (x, y) shows the new picture after step n (from 0).
using Covered = std::function<bool(int x, int y, int n)>;

struct Pattern {
  unsigned effect;
  int steps;
  Covered covered;
};

bool InPasses(const int (*offsets)[2], int n, int ox, int oy) {
  for (int i = 0; i <= n; ++i)
    if (offsets[i][0] == ox && offsets[i][1] == oy) return true;
  return false;
}

const int kPasses10[4][2] = {{0, 0}, {1, 1}, {0, 1}, {1, 0}};
const int kPasses15[16][2] = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {3, 1}, {2, 1}, {1, 1}, {0, 1},
                              {0, 2}, {1, 2}, {2, 2}, {3, 2}, {3, 3}, {2, 3}, {1, 3}, {0, 3}};
const int kPasses16[4][2] = {{0, 0}, {2, 2}, {0, 2}, {2, 0}};

// Each effect's coverage written as a closed form over the pixel position,
// not as the drawing loop.
std::vector<Pattern> Patterns() {
  return {
      {1, 10, [](int x, int, int n) { return x % 10 <= n; }},
      {2, 10, [](int x, int, int n) { return x % 10 >= 9 - n; }},
      {3, 10, [](int, int y, int n) { return y % 10 <= n; }},
      {4, 10, [](int, int y, int n) { return y % 10 >= 9 - n; }},
      {5, 320, [](int x, int, int n) { return x % 2 == 0 ? x <= 2 * n : x >= 639 - 2 * n; }},
      {6, 240, [](int, int y, int n) { return y % 2 == 0 ? y <= 2 * n : y >= 479 - 2 * n; }},
      // band b = y / 15 with offset o = y % 15 is reached by the strip of
      // height 15 - k at step b - k: covered once b + o <= n + 14
      {7, 32, [](int, int y, int n) { return y / 15 + y % 15 <= n + 14; }},
      {8, 43, [](int x, int, int n) { return x / 15 + x % 15 <= n + 14; }},
      {10, 4, [](int x, int y, int n) { return InPasses(kPasses10, n, x % 2, y % 2); }},
      {11, 320, [](int x, int, int n) { return x < 2 * n + 2; }},
      {12, 320, [](int x, int, int n) { return x >= 638 - 2 * n; }},
      {13, 480, [](int, int y, int n) { return y <= n + 1; }},
      {14, 480, [](int, int y, int n) { return y >= 479 - n; }},
      {15, 16, [](int x, int y, int n) { return InPasses(kPasses15, n, x % 4, y % 4); }},
      {16, 4, [](int x, int y, int n) { return InPasses(kPasses16, n, x % 4 & 2, y % 4 & 2); }},
  };
}

// Compares the window with the old/new split; returns "" or the first
// difference.
std::string CheckSplit(const QImage& win, const QImage& oldPic, const QImage& newPic,
                       const std::function<bool(int, int)>& covered) {
  for (int y = 0; y < 480; ++y) {
    const QRgb* w = reinterpret_cast<const QRgb*>(win.constScanLine(y));
    const QRgb* o = reinterpret_cast<const QRgb*>(oldPic.constScanLine(y));
    const QRgb* s = reinterpret_cast<const QRgb*>(newPic.constScanLine(y));
    for (int x = 0; x < 640; ++x) {
      const QRgb want = covered(x, y) ? s[x] : o[x];
      if ((w[x] & 0xFFFFFF) != (want & 0xFFFFFF))
        return "pixel " + std::to_string(x) + "," + std::to_string(y);
    }
  }
  return "";
}

// The trace's transition events, parsed.
std::vector<QJsonObject> TransitionsOf(StepPlayer& sp, const std::string& path) {
  sp.player.trace().Close();
  std::ifstream in(path);
  std::vector<QJsonObject> out;
  for (std::string line; std::getline(in, line);) {
    const QJsonObject e = mirt_test::JsonLine(line);
    if (e["ev"] == "transition") out.push_back(e);
  }
  return out;
}

}  // namespace

TEST(Transition, EveryStepShowsExactlyTheCoveredPixels) {
  const QImage oldPic = OldPicture(), newPic = NewPicture();
  for (const Pattern& pat : Patterns()) {
    SCOPED_TRACE("effect " + std::to_string(pat.effect));
    StepPlayer sp(oldPic);
    int checked = 0;
    std::string firstFault;
    sp.platform.onWait = [&](const QImage& win, int n) {
      std::string fault =
          CheckSplit(win, oldPic, newPic, [&](int x, int y) { return pat.covered(x, y, n); });
      if (!fault.empty() && firstFault.empty())
        firstFault = "step " + std::to_string(n) + ": " + fault;
      ++checked;
    };
    mirt::RunTransition(sp.player.stage(), pat.effect, 5, newPic);
    EXPECT_EQ(firstFault, "");
    EXPECT_EQ(checked, pat.steps);
    EXPECT_EQ(sp.platform.presents, pat.steps);
    // the last step completes the picture
    EXPECT_EQ(CheckSplit(sp.window(), oldPic, newPic, [](int, int) { return true; }), "");
  }
}

TEST(Transition, WaitsTheSpeedAndSpeedZeroAsOne) {
  const QImage oldPic = OldPicture(), newPic = NewPicture();
  for (int speed : {0, 1, 7}) {
    StepPlayer sp(oldPic);
    mirt::RunTransition(sp.player.stage(), 3, speed, newPic);
    ASSERT_EQ(sp.platform.waits.size(), 10u);
    for (uint32_t w : sp.platform.waits) EXPECT_EQ(w, uint32_t(speed < 1 ? 1 : speed));
  }
  // 13 steps on the virtual clock take steps x speed
  StepPlayer sp(oldPic);
  const uint32_t t0 = sp.platform.tickCount();
  mirt::RunTransition(sp.player.stage(), 13, 10, newPic);
  EXPECT_EQ(sp.platform.tickCount() - t0, 4800u);
}

TEST(Transition, NumbersOutsideOneToSixteenDoNothing) {
  const QImage oldPic = OldPicture(), newPic = NewPicture();
  for (unsigned effect : {0u, 17u, 18u, 19u, 20u, 0xFFFFFFFFu}) {
    StepPlayer sp(oldPic);
    mirt::RunTransition(sp.player.stage(), effect, 10, newPic);
    EXPECT_EQ(sp.platform.presents, 0);
    EXPECT_TRUE(sp.platform.waits.empty());
    EXPECT_EQ(sp.window(), oldPic);
  }
}

TEST(Transition, HeldButtonEndsEveryEffectAfterItsFirstStep) {
  const QImage oldPic = OldPicture(), newPic = NewPicture();
  mirt_test::GameDir dir;
  for (const Pattern& pat : Patterns()) {
    SCOPED_TRACE("effect " + std::to_string(pat.effect));
    StepPlayer sp(oldPic);
    const std::string trace = dir.Path("t" + std::to_string(pat.effect) + ".jsonl");
    sp.player.trace().Open(trace);
    sp.platform.setLeftButton(true);
    mirt::RunTransition(sp.player.stage(), pat.effect, 10, newPic);
    EXPECT_TRUE(sp.platform.waits.empty());  // the wait returned at once
    EXPECT_EQ(sp.platform.presents, 1);
    EXPECT_EQ(
        CheckSplit(sp.window(), oldPic, newPic, [&](int x, int y) { return pat.covered(x, y, 0); }),
        "");
    const auto events = TransitionsOf(sp, trace);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["effect"], static_cast<int>(pat.effect));
    EXPECT_TRUE(mirt_test::Holds(events[0], R"({"speed":10,"steps":1})"));
  }
}

// The twins cover the same columns or rows when they are done, and 13/14
// reach every row.
TEST(Transition, ReverseTwinsAndRowWipesCoverTheWholeWindow) {
  const QImage oldPic = OldPicture(), newPic = NewPicture();
  for (unsigned effect : {1u, 2u, 3u, 4u, 11u, 12u, 13u, 14u}) {
    SCOPED_TRACE("effect " + std::to_string(effect));
    StepPlayer sp(oldPic);
    std::vector<int> rowFirstSeen(480, -1);
    sp.platform.onWait = [&](const QImage& win, int n) {
      for (int y = 0; y < 480; ++y)
        if (rowFirstSeen[y] < 0 && (win.pixel(0, y) & 0xFF) == 0xA0) rowFirstSeen[y] = n;
    };
    mirt::RunTransition(sp.player.stage(), effect, 1, newPic);
    EXPECT_EQ(sp.window(), newPic);
    for (int y = 0; y < 480; ++y) EXPECT_GE(rowFirstSeen[y], 0) << "row " << y;
    if (effect == 13) {
      for (int y = 2; y < 480; ++y) EXPECT_EQ(rowFirstSeen[y], y - 1) << "row " << y;
    }
    if (effect == 14) {
      for (int y = 0; y < 480; ++y) EXPECT_EQ(rowFirstSeen[y], 479 - y) << "row " << y;
    }
  }
}

// ---- the cross-fade --------------------------------------------------------

TEST(CrossFade, EachStepBlendsTheCurrentWindowTowardsTheSource) {
  const QImage oldPic = Noise(1), newPic = Noise(2);
  // The expected window, one channel value at a time.
  std::vector<int> r(640 * 480), g(640 * 480), b(640 * 480);
  for (int i = 0; i < 640 * 480; ++i) {
    QRgb c = oldPic.pixel(i % 640, i / 640);
    r[i] = qRed(c), g[i] = qGreen(c), b[i] = qBlue(c);
  }
  StepPlayer sp(oldPic);
  std::string firstFault;
  sp.platform.onWait = [&](const QImage& win, int n) {
    const int d = 16 * n;
    for (int i = 0; i < 640 * 480; ++i) {
      QRgb s = newPic.pixel(i % 640, i / 640);
      r[i] = (qRed(s) * d + r[i] * (256 - d)) / 256;
      g[i] = (qGreen(s) * d + g[i] * (256 - d)) / 256;
      b[i] = (qBlue(s) * d + b[i] * (256 - d)) / 256;
      QRgb w = win.pixel(i % 640, i / 640);
      if (firstFault.empty() && (qRed(w) != r[i] || qGreen(w) != g[i] || qBlue(w) != b[i]))
        firstFault = "step " + std::to_string(n) + " pixel " + std::to_string(i);
    }
  };
  mirt::RunTransition(sp.player.stage(), 9, 20, newPic);
  EXPECT_EQ(firstFault, "");
  EXPECT_EQ(sp.platform.waits.size(), 15u);
  // after the last blend (d = 224) the window is set to the source exactly
  EXPECT_EQ(sp.window(), newPic);
}

TEST(CrossFade, ExtremeChannelsStayInTheirLanes) {
  // white over black and back: the two-channel products must not carry
  QImage black(640, 480, QImage::Format_RGB32), white(640, 480, QImage::Format_RGB32);
  black.fill(qRgb(0, 0, 0));
  white.fill(qRgb(255, 255, 255));
  std::vector<QRgb> seen;
  StepPlayer sp(black);
  sp.platform.onWait = [&](const QImage& win, int) { seen.push_back(win.pixel(320, 240)); };
  mirt::RunTransition(sp.player.stage(), 9, 1, white);
  ASSERT_EQ(seen.size(), 15u);
  int v = 0;
  for (int n = 0; n < 15; ++n) {
    v = (255 * 16 * n + v * (256 - 16 * n)) / 256;
    EXPECT_EQ(seen[n] & 0xFFFFFF, uint32_t(v * 0x010101)) << "step " << n;
  }
}

// Both blend kernels (the vector one is what runs here) against the formula,
// on arbitrary scratch bytes; out must be opaque.
TEST(CrossFade, VectorAndPortableStepsMatchTheFormula) {
  std::vector<uint32_t> s(mirt::CImage::kPixels), w0(mirt::CImage::kPixels);
  uint32_t r = 7;
  for (int i = 0; i < mirt::CImage::kPixels; ++i) {
    r = r * 1664525u + 1013904223u;
    s[i] = r;
    r = r * 1664525u + 1013904223u;
    w0[i] = r;
  }
  for (uint32_t d : {0u, 16u, 112u, 224u, 256u}) {
    SCOPED_TRACE("d " + std::to_string(d));
    std::vector<uint32_t> wa = w0, wb = w0, oa(s.size()), ob(s.size());
    mirt::CrossFadeStep(wa.data(), s.data(), oa.data(), d);
    mirt::CrossFadeStepPortable(wb.data(), s.data(), ob.data(), d);
    int faults = 0;
    for (int i = 0; i < mirt::CImage::kPixels; ++i) {
      uint32_t want = 0;
      for (int shift : {0, 8, 16}) {
        const uint32_t cs = (s[i] >> shift) & 255, cw = (w0[i] >> shift) & 255;
        want |= ((cs * d + cw * (256 - d)) / 256) << shift;
      }
      faults += (wa[i] & 0xFFFFFF) != want || (wb[i] & 0xFFFFFF) != want ||
                oa[i] != (want | 0xFF000000u) || ob[i] != (want | 0xFF000000u);
    }
    EXPECT_EQ(faults, 0);
  }
}

TEST(CrossFade, CutShortStillEndsOnTheSource) {
  const QImage oldPic = Noise(3), newPic = Noise(4);
  StepPlayer sp(oldPic);
  sp.platform.pressAtWait = 2;
  mirt::RunTransition(sp.player.stage(), 9, 10, newPic);
  EXPECT_EQ(sp.platform.waits.size(), 3u);
  EXPECT_EQ(sp.window(), newPic);
}

TEST(CrossFade, SourceInAnotherFormatIsTakenAs32Bits) {
  QImage oldPic = Noise(5);
  QImage src24 = Noise(6).convertToFormat(QImage::Format_RGB888);
  StepPlayer sp(oldPic);
  mirt::RunTransition(sp.player.stage(), 9, 1, src24);
  EXPECT_EQ(sp.window(), src24.convertToFormat(QImage::Format_RGB32));
}

// ---- message handling inside the dissolves ---------------------------------

TEST(Dissolve, QuittingEndsThePassAndTheEffect) {
  const QImage oldPic = OldPicture(), newPic = NewPicture();
  {
    StepPlayer sp(oldPic);
    sp.player.RequestClose();  // every message pump now says stop
    mirt::RunTransition(sp.player.stage(), 10, 10, newPic);
    EXPECT_EQ(sp.platform.waits.size(), 1u);
    // only the first row of the first pass got through
    EXPECT_EQ(
        CheckSplit(sp.window(), oldPic, newPic, [](int x, int y) { return y == 0 && x % 2 == 0; }),
        "");
  }
  {
    StepPlayer sp(oldPic);
    sp.player.RequestClose();
    mirt::RunTransition(sp.player.stage(), 16, 10, newPic);
    EXPECT_EQ(sp.platform.waits.size(), 1u);  // the first pass is whole
    EXPECT_EQ(CheckSplit(sp.window(), oldPic, newPic,
                         [](int x, int y) { return x % 4 < 2 && y % 4 < 2; }),
              "");
  }
}

TEST(Transition, StartsFromABlackWindowWhenNothingWasShown) {
  StepPlayer sp{QImage()};
  const QImage newPic = NewPicture();
  std::vector<QRgb> firstStep;
  sp.platform.onWait = [&](const QImage& win, int n) {
    if (n == 0) firstStep = {win.pixel(1, 0), win.pixel(0, 0)};
  };
  mirt::RunTransition(sp.player.stage(), 1, 1, newPic);
  ASSERT_EQ(firstStep.size(), 2u);
  EXPECT_EQ(firstStep[0], qRgb(0, 0, 0));
  EXPECT_EQ(firstStep[1], newPic.pixel(0, 0));
}
