#include "graphics/CImage.h"

#include <algorithm>
#include <cstring>

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

}  // namespace mirt
