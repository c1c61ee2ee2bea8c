// The picture at window scales and in full screen: where it lies, what the
// pointer lands on, and the pixels scaled into the window.
#include <gtest/gtest.h>

#include <QImage>

#include "PictureFixture.h"
#include "platform/PictureGeometry.h"

using mirt::PictureGeometry;
using mirt::ScaleFilter;

namespace {

struct Case {
  const char* name;
  PictureGeometry g;
  int frameWidth, frameHeight;  // device pixels of the widget
  double dpr;
};

std::vector<Case> Cases() {
  std::vector<Case> out;
  for (int s = 1; s <= 3; ++s)
    for (double dpr : {1.0, 1.25, 2.0})
      out.push_back({"window", mirt::WindowGeometry(s, dpr, ScaleFilter::Smooth),
                     int(640 * s * dpr + 0.5), int(480 * s * dpr + 0.5), dpr});
  const int screens[][2] = {{1920, 1080}, {3840, 2160}, {1280, 1024}, {1920, 1200}, {800, 600}};
  for (const auto& sc : screens)
    for (double dpr : {1.0, 2.0})
      out.push_back(
          {"full",
           mirt::FullScreenGeometry(int(sc[0] / dpr), int(sc[1] / dpr), dpr, ScaleFilter::Smooth),
           sc[0], sc[1], dpr});
  return out;
}

// Every picture pixel with its own colour, so a pixel of the frame tells
// which picture pixel it shows.
QImage Numbered() {
  QImage img(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) img.setPixel(x, y, 0xFF000000u | uint32_t(y << 10 | x));
  return img;
}

}  // namespace

TEST(Display, GeometryKeepsFourByThreeCentredAndFillsTheLimitingSide) {
  const PictureGeometry full = mirt::FullScreenGeometry(1920, 1080, 1, ScaleFilter::Smooth);
  EXPECT_EQ(full.deviceWidth, 1440);
  EXPECT_EQ(full.deviceHeight, 1080);
  EXPECT_EQ(full.deviceLeft, 240);
  EXPECT_EQ(full.deviceTop, 0);
  EXPECT_TRUE(full.smooth);  // 2.25
  const PictureGeometry uhd = mirt::FullScreenGeometry(3840, 2160, 1, ScaleFilter::Nearest);
  EXPECT_EQ(uhd.deviceWidth, 2880);
  EXPECT_FALSE(uhd.smooth);  // the option chooses for 4.5
  // A 5:4 screen: black above and below.
  const PictureGeometry tall = mirt::FullScreenGeometry(1280, 1024, 1, ScaleFilter::Smooth);
  EXPECT_EQ(tall.deviceWidth, 1280);
  EXPECT_EQ(tall.deviceHeight, 960);
  EXPECT_EQ(tall.deviceTop, 32);
  EXPECT_FALSE(tall.smooth);  // exactly 2
  // 1600 x 1200 logical at twice the density: a whole scale in device pixels.
  const PictureGeometry hidpi = mirt::FullScreenGeometry(1600, 1200, 2, ScaleFilter::Smooth);
  EXPECT_EQ(hidpi.deviceWidth, 3200);  // 5 device pixels a picture pixel
  EXPECT_FALSE(hidpi.smooth);
  // Window scale 2 on a 1.5 screen is 3 device pixels a picture pixel.
  const PictureGeometry w = mirt::WindowGeometry(2, 1.5, ScaleFilter::Smooth);
  EXPECT_EQ(w.deviceWidth, 1920);
  EXPECT_DOUBLE_EQ(w.width, 1280);
  EXPECT_FALSE(w.smooth);
  EXPECT_TRUE(mirt::WindowGeometry(1, 1.25, ScaleFilter::Smooth).smooth);
  EXPECT_EQ(mirt::WindowGeometry(7, 1, ScaleFilter::Smooth).deviceWidth, 1920);  // at most 3
}

TEST(Display, PointerLandsOnThePixelDrawnUnderItAtEveryScale) {
  const QImage picture = Numbered();
  for (const Case& c : Cases()) {
    SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.frameWidth) + "x" +
                 std::to_string(c.frameHeight) + " dpr " + std::to_string(c.dpr));
    PictureGeometry g = c.g;
    g.smooth = false;  // nearest: each frame pixel shows exactly one picture pixel
    QImage frame(c.frameWidth, c.frameHeight, QImage::Format_RGB32);
    frame.fill(Qt::black);
    mirt::ScalePicture(picture, frame, g, 0, 0, frame.width(), frame.height());
    int mismatches = 0;
    for (int dy = 0; dy < frame.height(); dy += 7)
      for (int dx = 0; dx < frame.width(); dx += 5) {
        // The pointer over the left top of device pixel (dx, dy).
        const int cx = g.ClientX(dx / c.dpr), cy = g.ClientY(dy / c.dpr);
        const bool inside = cx >= 0 && cx < 640 && cy >= 0 && cy < 480;
        const QRgb want = inside ? (0xFF000000u | uint32_t(cy << 10 | cx)) : qRgb(0, 0, 0);
        if (frame.pixel(dx, dy) != want && ++mismatches < 5)
          ADD_FAILURE() << "device " << dx << "," << dy << " shows " << std::hex
                        << frame.pixel(dx, dy) << ", pointer says " << std::dec << cx << "," << cy;
      }
    // The edges of a picture pixel: its first and last device pixel map to it,
    // the next device pixel to its neighbour.
    for (int cx : {0, 1, 99, 100, 319, 638, 639}) {
      const double left = g.WidgetX(cx), next = g.WidgetX(cx + 1);
      EXPECT_EQ(g.ClientX(left), cx);
      EXPECT_EQ(g.ClientX(next - 1 / c.dpr / 8), cx);
      EXPECT_EQ(g.ClientX(next), cx + 1);
    }
    for (int cy : {0, 39, 40, 479}) {
      EXPECT_EQ(g.ClientY(g.WidgetY(cy)), cy);
      EXPECT_EQ(g.ClientY(g.WidgetY(cy + 1)), cy + 1);
    }
    // Beside the picture: outside the client area, never its edge pixel.
    if (g.left > 0) {
      EXPECT_LT(g.ClientX(g.left - 0.5), 0);
    }
    if (g.top > 0) {
      EXPECT_LT(g.ClientY(g.top - 0.5), 0);
    }
  }
}

TEST(Display, PartialRescaleMatchesAWholeOneAndSmoothKeepsFlatColours) {
  QImage picture(640, 480, QImage::Format_RGB32);
  picture.fill(qRgb(10, 200, 30));
  for (ScaleFilter f : {ScaleFilter::Nearest, ScaleFilter::Smooth}) {
    const PictureGeometry g = mirt::FullScreenGeometry(1920, 1080, 1, f);
    QImage whole(1920, 1080, QImage::Format_RGB32), part(1920, 1080, QImage::Format_RGB32);
    whole.fill(Qt::black);
    mirt::ScalePicture(picture, whole, g, 0, 0, 1920, 1080);
    // A flat picture stays flat, the borders stay black.
    EXPECT_EQ(whole.pixel(960, 540), qRgb(10, 200, 30));
    EXPECT_EQ(whole.pixel(240, 0), qRgb(10, 200, 30));
    EXPECT_EQ(whole.pixel(1679, 1079), qRgb(10, 200, 30));
    EXPECT_EQ(whole.pixel(239, 500), qRgb(0, 0, 0));
    EXPECT_EQ(whole.pixel(1680, 500), qRgb(0, 0, 0));
    // A changed rectangle rescaled alone gives what a whole rescale gives.
    QImage changed = picture;
    for (int y = 100; y < 140; ++y)
      for (int x = 200; x < 260; ++x) changed.setPixel(x, y, qRgb(x, y, 255 - x));
    part = whole;
    int dx, dy, dw, dh;
    mirt::DeviceRectFor(g, 200, 100, 60, 40, &dx, &dy, &dw, &dh);
    mirt::ScalePicture(changed, part, g, dx, dy, dw, dh);
    mirt::ScalePicture(changed, whole, g, 0, 0, 1920, 1080);
    EXPECT_EQ(part, whole) << mirt::ScaleFilterName(f);
  }
}

TEST(Display, SmoothFilterBlendsBetweenNeighboursOnly) {
  QImage picture(640, 480, QImage::Format_RGB32);
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x)
      picture.setPixel(x, y, x < 320 ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
  const PictureGeometry g = mirt::FullScreenGeometry(1920, 1080, 1, ScaleFilter::Smooth);
  QImage frame(1920, 1080, QImage::Format_RGB32);
  frame.fill(Qt::red);
  mirt::ScalePicture(picture, frame, g, 0, 0, 1920, 1080);
  // Far from the edge each side keeps its colour; across it the values only rise.
  EXPECT_EQ(frame.pixel(240 + 100, 500), qRgb(0, 0, 0));
  EXPECT_EQ(frame.pixel(240 + 1300, 500), qRgb(255, 255, 255));
  int last = 0;
  for (int x = 240; x < 1680; ++x) {
    const int v = qRed(frame.pixel(x, 500));
    EXPECT_GE(v, last) << x;
    last = v;
  }
  EXPECT_EQ(frame.pixel(100, 500), qRgb(255, 0, 0));  // beside the picture: untouched
}

namespace {

using mirt_test::Noise;

uint64_t Fnv(const QImage& f) {
  uint64_t h = 1469598103934665603ull;
  for (int y = 0; y < f.height(); ++y) {
    const uchar* r = f.constScanLine(y);
    for (int x = 0; x < f.width() * 4; ++x) {
      h ^= r[x];
      h *= 1099511628211ull;
    }
  }
  return h;
}

}  // namespace

// The scaled pixels of a noisy picture at the common full-screen sizes,
// pinned: a faster scaler must draw exactly these.
TEST(Display, ScaledPixelsStayAsTheyWere) {
  const QImage picture = Noise(7);
  struct Pinned {
    int w, h;
    double dpr;
    ScaleFilter f;
    uint64_t hash;
  };
  const Pinned pinned[] = {
      {1920, 1080, 1, ScaleFilter::Nearest, 0xfa7e84d0aaeec489ull},
      {1920, 1080, 1, ScaleFilter::Smooth, 0x47d6af3e698a7843ull},
      {3840, 2160, 1, ScaleFilter::Nearest, 0x5dad49fd22b240c0ull},
      {3840, 2160, 1, ScaleFilter::Smooth, 0x1f3a554ac6c116eeull},
      {1366, 768, 1, ScaleFilter::Nearest, 0x79080ff55ddee892ull},
      {1366, 768, 1, ScaleFilter::Smooth, 0x7c5455779a734d3bull},
      {1600, 1200, 2, ScaleFilter::Nearest, 0x2fa133cbd289b174ull},  // 5 x whole
      {1600, 1200, 2, ScaleFilter::Smooth, 0x8b5be283172e8d65ull},
  };
  for (const Pinned& p : pinned) {
    const PictureGeometry g =
        mirt::FullScreenGeometry(int(p.w / p.dpr), int(p.h / p.dpr), p.dpr, p.f);
    QImage frame(p.w, p.h, QImage::Format_RGB32);
    frame.fill(Qt::black);
    mirt::ScalePicture(picture, frame, g, 0, 0, p.w, p.h);
    EXPECT_EQ(Fnv(frame), p.hash) << p.w << "x" << p.h << " " << mirt::ScaleFilterName(p.f);
  }
}

// The scaler the window keeps draws what ScalePicture draws, whether the
// rows are shared with its helper thread or not, for whole frames and for
// rectangles cut anywhere (also across the picture's edges and the
// frame's), and after the geometry changes under it.
TEST(Display, KeptScalerAndItsHelperDrawWhatScalePictureDraws) {
  const QImage picture = Noise(3);
  struct Shape {
    int w, h;
    double dpr;
    int window;  // window scale; 0 for full screen
  };
  const Shape shapes[] = {{1920, 1080, 1, 0}, {3840, 2160, 1, 0}, {1280, 1024, 1, 0},
                          {1366, 768, 1, 0},  {0, 0, 1.25, 1},    {0, 0, 1, 3},
                          {0, 0, 1.5, 2}};
  mirt::PictureScaler shared, alone;
  shared.SetShareThreshold(1);
  alone.SetShareThreshold(INT64_MAX);
  uint32_t s = 11;
  auto next = [&](int n) {
    s = s * 1664525u + 1013904223u;
    return int((s >> 8) % uint32_t(n));
  };
  for (const Shape& sh : shapes)
    for (ScaleFilter f : {ScaleFilter::Nearest, ScaleFilter::Smooth}) {
      const PictureGeometry g = sh.window ? mirt::WindowGeometry(sh.window, sh.dpr, f)
                                          : mirt::FullScreenGeometry(sh.w, sh.h, sh.dpr, f);
      const int fw = sh.window ? g.deviceWidth : sh.w, fh = sh.window ? g.deviceHeight : sh.h;
      for (int k = 0; k < 6; ++k) {
        int cx = -3, cy = -2, cw = fw + 9, ch = fh + 5;  // the first: more than the frame
        if (k > 0) {
          cx = next(fw);
          cy = next(fh);
          cw = next(fw - cx + 4) + 1;
          ch = next(fh - cy + 4) + 1;
        }
        SCOPED_TRACE(std::to_string(fw) + "x" + std::to_string(fh) + " " +
                     mirt::ScaleFilterName(f) + " clip " + std::to_string(cx) + "," +
                     std::to_string(cy) + " " + std::to_string(cw) + "x" + std::to_string(ch));
        QImage want(fw, fh, QImage::Format_RGB32);
        want.fill(qRgb(1, 2, 3));
        QImage a = want.copy(), b = want.copy();
        mirt::ScalePicture(picture, want, g, cx, cy, cw, ch);
        shared.Scale(picture, a, g, cx, cy, cw, ch);
        alone.Scale(picture, b, g, cx, cy, cw, ch);
        EXPECT_TRUE(a == want);
        EXPECT_TRUE(b == want);
      }
    }
  // A frame shared with another image detaches before the helper writes.
  const PictureGeometry g = mirt::FullScreenGeometry(1920, 1080, 1, ScaleFilter::Smooth);
  QImage frame(1920, 1080, QImage::Format_RGB32);
  frame.fill(Qt::black);
  const QImage kept = frame;
  shared.Scale(picture, frame, g, 0, 0, 1920, 1080);
  EXPECT_EQ(kept.pixel(960, 540), qRgb(0, 0, 0));
  EXPECT_NE(frame, kept);
}

// The bars beside the picture are filled black inside the clip only, and
// the picture's own pixels are left alone.
TEST(Display, OutsideFillPaintsOnlyTheBarsInsideTheClip) {
  const PictureGeometry g = mirt::FullScreenGeometry(1920, 1080, 1, ScaleFilter::Nearest);
  QImage frame(1920, 1080, QImage::Format_RGB32);
  frame.fill(qRgb(9, 9, 9));
  mirt::FillOutsidePicture(frame, g, 100, 10, 1800, 1000);  // over both bars and the picture
  EXPECT_EQ(frame.pixel(100, 10), qRgb(0, 0, 0));
  EXPECT_EQ(frame.pixel(239, 500), qRgb(0, 0, 0));
  EXPECT_EQ(frame.pixel(1680, 1009), qRgb(0, 0, 0));
  EXPECT_EQ(frame.pixel(1899, 500), qRgb(0, 0, 0));
  EXPECT_EQ(frame.pixel(240, 500), qRgb(9, 9, 9));  // the picture
  EXPECT_EQ(frame.pixel(1679, 500), qRgb(9, 9, 9));
  EXPECT_EQ(frame.pixel(99, 500), qRgb(9, 9, 9));  // beside the clip
  EXPECT_EQ(frame.pixel(1900, 500), qRgb(9, 9, 9));
  EXPECT_EQ(frame.pixel(150, 9), qRgb(9, 9, 9));
  EXPECT_EQ(frame.pixel(150, 1010), qRgb(9, 9, 9));
  // Above and below the picture on a 5:4 screen, whole rows.
  const PictureGeometry tall = mirt::FullScreenGeometry(1280, 1024, 1, ScaleFilter::Nearest);
  QImage t(1280, 1024, QImage::Format_RGB32);
  t.fill(qRgb(9, 9, 9));
  mirt::FillOutsidePicture(t, tall, -5, -5, 2000, 2000);
  EXPECT_EQ(t.pixel(640, 31), qRgb(0, 0, 0));
  EXPECT_EQ(t.pixel(640, 32), qRgb(9, 9, 9));
  EXPECT_EQ(t.pixel(640, 991), qRgb(9, 9, 9));
  EXPECT_EQ(t.pixel(0, 992), qRgb(0, 0, 0));
}

// What a present repaints: the bounds of the pixels that differ from what
// was shown, nothing when the same pixels come again, all of it when the
// shape changes. Repainting only that part gives the whole repaint's frame.
TEST(Display, ChangedAreaBoundsTheDifferenceAndItsRepaintMatchesAWholeOne) {
  const QImage before = Noise(5);
  int x, y, w, h;
  EXPECT_FALSE(mirt::ChangedArea(before, before, &x, &y, &w, &h));  // shared
  QImage after = before.copy();
  EXPECT_FALSE(mirt::ChangedArea(before, after, &x, &y, &w, &h));  // equal copy
  after.setPixel(639, 0, qRgb(1, 2, 3));
  after.setPixel(300, 479, qRgb(1, 2, 3));
  ASSERT_TRUE(mirt::ChangedArea(before, after, &x, &y, &w, &h));
  EXPECT_EQ(QRect(x, y, w, h), QRect(300, 0, 340, 480));
  QImage one = before.copy();
  one.setPixel(0, 200, ~before.pixel(0, 200));
  ASSERT_TRUE(mirt::ChangedArea(before, one, &x, &y, &w, &h));
  EXPECT_EQ(QRect(x, y, w, h), QRect(0, 200, 1, 1));
  EXPECT_TRUE(mirt::ChangedArea(QImage(), before, &x, &y, &w, &h));
  EXPECT_EQ(QRect(x, y, w, h), QRect(0, 0, 640, 480));
  EXPECT_TRUE(
      mirt::ChangedArea(before.convertToFormat(QImage::Format_ARGB32), before, &x, &y, &w, &h));
  EXPECT_EQ(QRect(x, y, w, h), QRect(0, 0, 640, 480));

  QImage step = before.copy();
  for (int yy = 150; yy < 170; ++yy)
    for (int xx = 17; xx < 600; ++xx) step.setPixel(xx, yy, qRgb(xx, yy, 7));
  ASSERT_TRUE(mirt::ChangedArea(before, step, &x, &y, &w, &h));
  EXPECT_EQ(QRect(x, y, w, h), QRect(17, 150, 583, 20));
  for (ScaleFilter f : {ScaleFilter::Nearest, ScaleFilter::Smooth}) {
    const PictureGeometry g = mirt::FullScreenGeometry(3840, 2160, 1, f);
    QImage part(3840, 2160, QImage::Format_RGB32), whole(3840, 2160, QImage::Format_RGB32);
    part.fill(Qt::black);
    mirt::ScalePicture(before, part, g, 0, 0, 3840, 2160);
    whole.fill(Qt::black);
    mirt::ScalePicture(step, whole, g, 0, 0, 3840, 2160);
    int dx, dy, dw, dh;
    mirt::DeviceRectFor(g, x, y, w, h, &dx, &dy, &dw, &dh);
    mirt::PictureScaler scaler;
    scaler.Scale(step, part, g, dx, dy, dw, dh);
    EXPECT_TRUE(part == whole) << mirt::ScaleFilterName(f);
  }
}
