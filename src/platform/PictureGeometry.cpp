#include "platform/PictureGeometry.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "common/Screen.h"

namespace mirt {
namespace {

// A scale counts as whole when it is within rounding of an integer.
bool Whole(double s) { return std::abs(s - std::round(s)) < 1e-6; }

PictureGeometry FromDevice(int dl, int dt, int dw, int dh, double dpr, ScaleFilter filter) {
  PictureGeometry g;
  g.deviceLeft = dl;
  g.deviceTop = dt;
  g.deviceWidth = dw;
  g.deviceHeight = dh;
  g.left = dl / dpr;
  g.top = dt / dpr;
  g.width = dw / dpr;
  g.height = dh / dpr;
  const double sx = double(dw) / kScreenWidth, sy = double(dh) / kScreenHeight;
  g.smooth = !(Whole(sx) && Whole(sy)) && filter == ScaleFilter::Smooth;
  return g;
}

}  // namespace

bool ParseScaleFilter(const std::string& text, ScaleFilter* out) {
  if (text == "nearest") {
    *out = ScaleFilter::Nearest;
  } else if (text == "smooth") {
    *out = ScaleFilter::Smooth;
  } else {
    return false;
  }
  return true;
}

const char* ScaleFilterName(ScaleFilter f) {
  return f == ScaleFilter::Nearest ? "nearest" : "smooth";
}

int PictureGeometry::ClientX(double x) const {
  return int(std::floor((x - left) * kScreenWidth / width + 1e-9));
}

int PictureGeometry::ClientY(double y) const {
  return int(std::floor((y - top) * kScreenHeight / height + 1e-9));
}

PictureGeometry WindowGeometry(int scale, double dpr, ScaleFilter filter) {
  scale = std::clamp(scale, kMinWindowScale, kMaxWindowScale);
  if (!(dpr > 0)) dpr = 1;
  const int dw = int(std::lround(kScreenWidth * scale * dpr));
  const int dh = int(std::lround(kScreenHeight * scale * dpr));
  return FromDevice(0, 0, dw, dh, dpr, filter);
}

PictureGeometry FullScreenGeometry(int areaWidth, int areaHeight, double dpr, ScaleFilter filter) {
  if (!(dpr > 0)) dpr = 1;
  const int aw = std::max(1, int(std::lround(areaWidth * dpr)));
  const int ah = std::max(1, int(std::lround(areaHeight * dpr)));
  // The largest 4:3 size: whichever side runs out first decides.
  int dw, dh;
  if (int64_t(aw) * kScreenHeight <= int64_t(ah) * kScreenWidth) {
    dw = aw;
    dh = int(int64_t(aw) * kScreenHeight / kScreenWidth);
  } else {
    dh = ah;
    dw = int(int64_t(ah) * kScreenWidth / kScreenHeight);
  }
  return FromDevice((aw - dw) / 2, (ah - dh) / 2, dw, dh, dpr, filter);
}

namespace {

// One output row of the smooth filter: for each output column, the two
// source columns and the weight of the second (0..256).
struct Taps {
  std::vector<int> x0;
  std::vector<uint16_t> w;
};

inline uint32_t Lerp(uint32_t a, uint32_t b, uint32_t w) {
  const uint32_t iw = 256 - w;
  const uint32_t rb = (((a & 0xFF00FFu) * iw + (b & 0xFF00FFu) * w) >> 8) & 0xFF00FFu;
  const uint32_t ag = ((((a >> 8) & 0xFF00FFu) * iw + ((b >> 8) & 0xFF00FFu) * w)) & 0xFF00FF00u;
  return rb | ag;
}

// Source coordinate of an output pixel centre, 24.8 fixed point, clamped
// so that both taps lie inside the source.
inline int SourcePos(int out, int outSize, int srcSize) {
  const int64_t num = (2 * int64_t(out) + 1) * srcSize * 256 / (2 * int64_t(outSize)) - 128;
  return int(std::clamp<int64_t>(num, 0, int64_t(srcSize - 1) * 256));
}

void ScaleNearest(const QImage& src, QImage& dst, const PictureGeometry& g, int x0, int y0, int x1,
                  int y1) {
  std::vector<int> sx(size_t(x1 - x0));
  for (int x = x0; x < x1; ++x)
    sx[size_t(x - x0)] = int(int64_t(x - g.deviceLeft) * kScreenWidth / g.deviceWidth);
  // A whole number of frame pixels per picture pixel across: no table.
  const int whole = g.deviceWidth % kScreenWidth == 0 ? g.deviceWidth / kScreenWidth : 0;
  int lastSy = -1;
  const uint32_t* lastRow = nullptr;
  for (int y = y0; y < y1; ++y) {
    const int sy = int(int64_t(y - g.deviceTop) * kScreenHeight / g.deviceHeight);
    auto* out = reinterpret_cast<uint32_t*>(dst.scanLine(y)) + x0;
    if (sy == lastSy) {  // the row above showed the same picture row
      std::memcpy(out, lastRow, sx.size() * 4);
      continue;
    }
    const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(sy));
    if (whole == 1) {
      std::memcpy(out, in + sx[0], sx.size() * 4);
    } else if (whole > 1) {  // each picture pixel k times, from a pixel boundary
      size_t i = 0;
      for (; i < sx.size() && sx[i] == sx[0] && (x0 - g.deviceLeft + int(i)) % whole; ++i)
        out[i] = in[sx[i]];
      const uint32_t* p = in + (i < sx.size() ? sx[i] : 0);
      for (; i + size_t(whole) <= sx.size(); i += size_t(whole), ++p)
        for (int k = 0; k < whole; ++k) out[i + size_t(k)] = *p;
      for (; i < sx.size(); ++i) out[i] = in[sx[i]];
    } else {
      for (size_t i = 0; i < sx.size(); ++i) out[i] = in[sx[i]];
    }
    lastSy = sy;
    lastRow = out;
  }
}

void ScaleSmooth(const QImage& src, QImage& dst, const PictureGeometry& g, int x0, int y0, int x1,
                 int y1) {
  const size_t n = size_t(x1 - x0);
  Taps taps;
  taps.x0.resize(n);
  taps.w.resize(n);
  for (int x = x0; x < x1; ++x) {
    const int pos = SourcePos(x - g.deviceLeft, g.deviceWidth, kScreenWidth);
    taps.x0[size_t(x - x0)] = std::min(pos >> 8, kScreenWidth - 2);
    taps.w[size_t(x - x0)] = uint16_t(pos - (taps.x0[size_t(x - x0)] << 8));
  }
  // Picture rows widened once each, as the output rows come to need them.
  std::vector<uint32_t> rows(2 * n);
  int have[2] = {-1, -1};
  auto widened = [&](int sy) -> const uint32_t* {
    for (int k = 0; k < 2; ++k)
      if (have[k] == sy) return rows.data() + size_t(k) * n;
    const int k = have[0] == -1 || (have[1] != -1 && have[0] < have[1]) ? 0 : 1;
    have[k] = sy;
    uint32_t* out = rows.data() + size_t(k) * n;
    const auto* in = reinterpret_cast<const uint32_t*>(src.constScanLine(sy));
    for (size_t i = 0; i < n; ++i) out[i] = Lerp(in[taps.x0[i]], in[taps.x0[i] + 1], taps.w[i]);
    return out;
  };
  for (int y = y0; y < y1; ++y) {
    const int pos = SourcePos(y - g.deviceTop, g.deviceHeight, kScreenHeight);
    const int sy = std::min(pos >> 8, kScreenHeight - 2);
    const uint32_t w = uint32_t(pos - (sy << 8));
    const uint32_t* a = widened(sy);
    const uint32_t* b = widened(sy + 1);
    auto* out = reinterpret_cast<uint8_t*>(dst.scanLine(y)) + size_t(x0) * 4;
    const auto* a8 = reinterpret_cast<const uint8_t*>(a);
    const auto* b8 = reinterpret_cast<const uint8_t*>(b);
    const uint16_t wb = uint16_t(w), wa = uint16_t(256 - w);
    size_t i = 0;
    if (w == 0) {
      std::memcpy(out, a8, 4 * n);
      continue;
    }
#ifdef __SSE2__
    const __m128i zero = _mm_setzero_si128();
    const __m128i va = _mm_set1_epi16(short(wa)), vb = _mm_set1_epi16(short(wb));
    for (; i + 16 <= 4 * n; i += 16) {
      const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a8 + i));
      const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b8 + i));
      const __m128i lo =
          _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), va),
                                       _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), vb)),
                         8);
      const __m128i hi =
          _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), va),
                                       _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), vb)),
                         8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < 4 * n; ++i) out[i] = uint8_t((a8[i] * wa + b8[i] * wb) >> 8);
  }
}

}  // namespace

void ScalePicture(const QImage& picture, QImage& frame, const PictureGeometry& g, int clipX,
                  int clipY, int clipWidth, int clipHeight) {
  if (picture.width() != kScreenWidth || picture.height() != kScreenHeight ||
      picture.depth() != 32 || frame.depth() != 32 || g.deviceWidth <= 0 || g.deviceHeight <= 0)
    return;
  const int x0 = std::max({clipX, g.deviceLeft, 0});
  const int y0 = std::max({clipY, g.deviceTop, 0});
  const int x1 = std::min({clipX + clipWidth, g.deviceLeft + g.deviceWidth, frame.width()});
  const int y1 = std::min({clipY + clipHeight, g.deviceTop + g.deviceHeight, frame.height()});
  if (x0 >= x1 || y0 >= y1) return;
  if (g.smooth) {
    ScaleSmooth(picture, frame, g, x0, y0, x1, y1);
  } else {
    ScaleNearest(picture, frame, g, x0, y0, x1, y1);
  }
}

void DeviceRectFor(const PictureGeometry& g, int x, int y, int w, int h, int* dx, int* dy, int* dw,
                   int* dh) {
  const int grow = g.smooth ? 1 : 0;
  auto edge = [](int c, int size, int srcSize, int origin) {
    return origin + int((int64_t(c) * size + srcSize - 1) / srcSize);  // first pixel showing c
  };
  const int l = edge(std::max(0, x - grow), g.deviceWidth, kScreenWidth, g.deviceLeft);
  const int t = edge(std::max(0, y - grow), g.deviceHeight, kScreenHeight, g.deviceTop);
  const int r =
      edge(std::min(kScreenWidth, x + w + grow), g.deviceWidth, kScreenWidth, g.deviceLeft);
  const int b =
      edge(std::min(kScreenHeight, y + h + grow), g.deviceHeight, kScreenHeight, g.deviceTop);
  *dx = l;
  *dy = t;
  *dw = std::max(0, r - l);
  *dh = std::max(0, b - t);
}

}  // namespace mirt
