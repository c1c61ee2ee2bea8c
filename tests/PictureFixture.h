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
