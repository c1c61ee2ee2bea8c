// Pictures and graphics archives made on the fly for the picture tests.
#pragma once

#include <QImage>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "ArchiveFixture.h"
#include "graphics/BmpDecoder.h"
#include "graphics/PackedPicture.h"

namespace mirt_test {

// A 640 x 480 picture of pseudo-random colours, the same for a seed.
inline QImage Noise(uint32_t seed) {
  QImage img(640, 480, QImage::Format_RGB32);
  uint32_t s = seed;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      s = s * 1664525u + 1013904223u;
      img.setPixel(x, y, 0xFF000000u | (s >> 8));
    }
  return img;
}

inline QImage Solid(int w, int h, QRgb colour) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(colour);
  return img;
}

inline std::string BmpFile(const QImage& img) {
  std::vector<uint8_t> b = mirt::EncodeBmp24(img);
  return std::string(b.begin(), b.end());
}

inline std::string PackedFile(const QImage& img) {
  std::vector<uint8_t> b = mirt::EncodePacked(img);
  return std::string(b.begin(), b.end());
}

inline QRgb Rgb(const QImage& img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

}  // namespace mirt_test
