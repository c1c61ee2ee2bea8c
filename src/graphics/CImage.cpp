#include "graphics/CImage.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/BlendBytes.h"

namespace mirt {

CImage::CImage() : pixels_(new uint32_t[kPixels]) { std::fill_n(Pixels(), kPixels, 0u); }

CImage::CImage(const QImage& source) : pixels_(new uint32_t[kPixels]) { Load(source); }

void CImage::Load(const QImage& source) {
  const QImage* img = &source;
  QImage converted;
  if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32) {
    converted = source.convertToFormat(QImage::Format_RGB32);
    img = &converted;
  }
  const int w = std::min(img->width(), kWidth);
  const int h = std::min(img->height(), kHeight);
  // Whatever the source does not cover stays black.
  for (int y = 0; y < kHeight; ++y) {
    uint32_t* row = Row(y);
    const int n = y < h ? w : 0;
    if (n > 0) std::memcpy(row, img->constScanLine(y), size_t(n) * 4);
    std::fill(row + n, row + kWidth, 0u);
  }
}

uint32_t* PrepareWindowSurface(QImage& target) {
  if (target.width() != CImage::kWidth || target.height() != CImage::kHeight ||
      target.format() != QImage::Format_RGB32) {
    QImage fresh(CImage::kWidth, CImage::kHeight, QImage::Format_RGB32);
    fresh.fill(qRgb(0, 0, 0));
    if (!target.isNull()) {
      const QImage from = target.convertToFormat(QImage::Format_RGB32);
      const int w = std::min(from.width(), CImage::kWidth);
      const int h = std::min(from.height(), CImage::kHeight);
      for (int y = 0; y < h; ++y)
        std::memcpy(fresh.scanLine(y), from.constScanLine(y), size_t(w) * 4);
    }
    target = fresh;
  }
  return reinterpret_cast<uint32_t*>(target.bits());
}

void CImage::CopyTo(QImage& target) const {
  uint32_t* out = PrepareWindowSurface(target);
  const int stride = int(target.bytesPerLine() / 4);
  for (int y = 0; y < kHeight; ++y) {
    const uint32_t* in = Row(y);
    uint32_t* o = out + y * stride;
    for (int x = 0; x < kWidth; ++x) o[x] = in[x] | 0xFF000000u;
  }
}

void CrossFadeStepPortable(uint32_t* w, const uint32_t* s, uint32_t* out, uint32_t d) {
  const uint32_t e = 256 - d;
  // Red and blue through 00FF00FF, green (with the scratch byte, which
  // overflows away) through FF00FF00; each lane holds up to 255 * 256.
  for (int i = 0; i < CImage::kPixels; ++i) {
    const uint32_t a = s[i], b = w[i];
    const uint32_t rb = ((a & 0x00FF00FFu) * d + (b & 0x00FF00FFu) * e) & 0xFF00FF00u;
    const uint32_t g = ((a & 0xFF00FF00u) * d + (b & 0xFF00FF00u) * e) & 0x00FF00FFu;
    w[i] = (rb | g) >> 8;
    out[i] = w[i] | 0xFF000000u;
  }
}

void CrossFadeStep(uint32_t* w, const uint32_t* s, uint32_t* out, uint32_t d) {
#if defined(__SSE2__)
  const __m128i vd = _mm_set1_epi16(int16_t(d)), ve = _mm_set1_epi16(int16_t(256 - d));
  const __m128i opaque = _mm_set1_epi32(int32_t(0xFF000000u));
  static_assert(CImage::kPixels % 4 == 0);
  for (int i = 0; i < CImage::kPixels; i += 4) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(w + i));
    const __m128i r = BlendBytes(a, b, vd, ve);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(w + i), r);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_or_si128(r, opaque));
  }
#else
  CrossFadeStepPortable(w, s, out, d);
#endif
}

}  // namespace mirt
